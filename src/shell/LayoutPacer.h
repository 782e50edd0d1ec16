#pragma once
// Keeps Qt's text layout of a big document from freezing the editor.
//
// QTextDocumentLayout lays a document out lazily after it is shown, but in
// steps that grow to 200,000 characters, and it lays out every change to the
// text at once, before the change returns: Bold on a whole 10 MB document, or
// a paste of megabytes, holds the window for seconds. The pacer
//  - replaces the lazy steps with slices of a few milliseconds, run from the
//    layout's own timer, so input is served between them;
//  - holds layout off while a big change is made (a null page size makes Qt
//    skip it) and then lets the document be laid out lazily from the top,
//    showing the start of the change, which is all the window needs to draw.
// Everything goes through Qt's public API; should Qt's internals differ from
// what is expected here, the layout simply runs as Qt would run it.

#include <QObject>
#include <QPointer>
#include <QSizeF>

class QAbstractTextDocumentLayout;
class QTextDocument;
class QTextEdit;

class LayoutPacer : public QObject
{
public:
    explicit LayoutPacer(QTextEdit *editor);
    ~LayoutPacer() override;

    // Follows the editor's current document (call after setDocument).
    void track(QTextDocument *doc);

    // A change of at least this many characters is laid out lazily.
    static constexpr int kBigChange = 100'000;

    // Lets a held layout start again; safe to call at any time. Changes made
    // while the editor works on a command resume at its end, the rest before
    // the next paint or from the event loop.
    void resume();
    bool held() const { return m_held; }

    // True once the whole document is laid out.
    bool finished() const;

    // Lays out one slice (for tests and the event loop's idle time).
    void step();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void contentsChange(int from, int removed, int added);
    int frontier() const;

    QTextEdit *m_editor;
    QPointer<QTextDocument> m_doc;
    QPointer<QAbstractTextDocumentLayout> m_layout;
    QSizeF m_pageSize;           // the size to put back when a hold ends
    bool m_held = false;
    int m_showFrom = 0;          // where the held change starts
    int m_chunk = 20'000;        // characters per slice, tuned as slices run
    int m_layoutTimerId = 0;     // Qt's lazy-layout timer, once recognised
};

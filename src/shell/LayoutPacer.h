#pragma once
// Keeps Qt's text layout of a big document from freezing the editor.
//
// QTextDocumentLayout lays a document out lazily after it is shown, but in
// steps that grow to 200,000 characters, and it lays out every change to the
// text at once, before the change returns: Bold on a whole 10 MB document, or
// a paste of megabytes, holds the window for seconds. The pacer
//  - replaces the lazy steps with slices of about ten milliseconds, run when
//    the event loop is idle, so input is served between them;
//  - holds layout off while a big change is made (a null page size makes Qt
//    skip it) and then lets the document be laid out lazily from the top,
//    showing the start of the change, which is all the window needs to draw.
//
// Two of its hooks rest on Qt's internals rather than its API:
//  - QTextEdit's private text control, found among the editor's children by
//    its class name "QWidgetTextControl", whose cursor-blink timer is held
//    while the cursor lies below the laid-out part;
//  - QTextDocumentLayout's lazy-layout timer, told apart from its other
//    timers by the 10 ms interval Qt starts it with, whose steps are
//    swallowed so that the pacer's own slices take their place.
// hooksFound() checks both once against the Qt the program runs on. Should
// either be missing, the pacer writes one warning to standard error and
// leaves the layout to Qt (layOutTo() and finished() still work, through
// the public API alone).

#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QTimer>

class QAbstractTextDocumentLayout;
class QTextDocument;
class QTextEdit;

class LayoutPacer : public QObject
{
public:
    explicit LayoutPacer(QTextEdit *editor);
    ~LayoutPacer() override;

    // True when Qt has both internals the pacer hooks into (see above).
    static bool hooksFound();
    // False when this pacer leaves the layout to Qt.
    bool active() const { return m_active; }

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

    // Documents of up to this many paragraphs are laid out to the end in the
    // background; bigger ones only where the window needs them (a laid-out
    // paragraph costs Qt about 560 bytes), unless their paragraphs are long
    // enough for that not to matter, or until they are edited.
    static constexpr int kBackgroundBlocks = 100'000;
    // In a paragraph longer than this the cursor does not blink.
    static constexpr int kSteadyCursorBlock = 200'000;
    bool inBackground() const;

    // Lays the document out down to `position` now, in slices, under a
    // progress dialog with Cancel once that takes more than a second.
    // False when cancelled.
    bool layOutTo(int position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();
    bool slice();
    void contentsChange(int from, int removed, int added);
    int frontier() const;

    QTextEdit *m_editor;
    bool m_active = false;          // the hooks are there: pace the layout
    QObject *m_control = nullptr;   // QTextEdit's inner text control
    QPointer<QTextDocument> m_doc;
    QPointer<QAbstractTextDocumentLayout> m_layout;
    QSizeF m_pageSize;           // the size to put back when a hold ends
    bool m_held = false;
    int m_showFrom = 0;          // where the held change starts
    int m_chunk = 2000;          // characters per slice, tuned as slices run
    QTimer m_tick;               // runs the slices
    bool m_edited = false;       // changed while not yet laid out to the end
    bool m_restarted = false;    // layout started again from the top, no slice since
};

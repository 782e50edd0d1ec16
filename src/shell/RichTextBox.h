#pragma once
// The rich text editing control: a QTextEdit with the members the commands
// use (Text, SelText, SelBold, LoadFile, ...). Commands never reach into the
// QTextDocument themselves for these jobs, so every editing area behaves alike.

#include "shell/DocumentSession.h"
#include "base/Result.h"

#include <QKeySequence>
#include <QList>
#include <QTextEdit>
#include <functional>
#include <memory>

class LayoutPacer;
class QAction;
class QTextDocument;

class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    using FileType = DocumentSession::FileType;
    static constexpr FileType rtfRTF = DocumentSession::rtfRTF;
    static constexpr FileType rtfText = DocumentSession::rtfText;

    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    // Plain text, paragraphs separated by CR LF. Writing replaces the whole
    // document with unformatted text; text of megabytes shows its progress,
    // and false means the user cancelled it (the document is unchanged).
    QString Text() const;
    bool SetText(const QString &text);
    // The document's characters as they are: like Text(), but a line break
    // inside a paragraph stays U+2028 and a no-break space U+00A0, which
    // Text() gives as a paragraph end and a plain space. SetText() takes
    // both back as they were.
    QString characters() const;

    // The whole document as Rich Text Format. Writing a string that is not
    // RTF puts it in as plain text. False as for SetText().
    QString TextRTF() const;
    bool SetTextRTF(const QString &markup);

    QString SelText() const;
    // One undo step of its own (see oneUndoStep).
    void SetSelText(const QString &text);
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);

    QString SelFontName() const;
    void SetSelFontName(const QString &name);
    float SelFontSize() const;
    void SetSelFontSize(float points);
    quint32 SelColor() const;          // 0x00BBGGRR
    void SetSelColor(quint32 bgr);
    // Each reads true only when the whole selection has the attribute.
    bool SelBold() const;
    void SetSelBold(bool on);
    bool SelItalic() const;
    void SetSelItalic(bool on);
    bool SelUnderline() const;
    void SetSelUnderline(bool on);
    bool SelStrikeThru() const;
    void SetSelStrikeThru(bool on);

    // The base font of the control.
    QFont Font() const;

    // Size in twips; a negative size fails and changes nothing.
    float Width() const { return m_widthTwips; }
    float Height() const { return m_heightTwips; }
    bool SetWidth(float twips);
    bool SetHeight(float twips);

    // Replace the document from a file, or write it; on failure the document
    // (or the file on disk) is left as it was and the result says why.
    Result<> LoadFile(const QString &fileName, FileType fileType);
    Result<> SaveFile(const QString &fileName, FileType fileType) const;

    // Case-insensitive search forward from the end of the selection, wrapping
    // once to the start. A match becomes the selection. Returns its start or -1.
    int Find(const QString &text);

    // The documents this area shows, with their history of whole-document
    // replacements and the file shown with each; every document the area
    // shows comes from it.
    DocumentSession &session() const { return *m_session; }

    // The lazy layout of big documents and changes (see LayoutPacer).
    LayoutPacer *pacer() const { return m_pacer; }

    // Ctrl+Z: the document's own last step, or else the replaced document.
    // Redo (Ctrl+Shift+Z, the context menu) goes the other way: the
    // document's own undone step, or else the document an undo replaced.
    bool undoStep();
    bool redoStep();

    // Runs edit as one undo step: one Ctrl+Z takes all of it back, and text
    // typed just before or after it is a step of its own. Steps nest.
    void oneUndoStep(const std::function<void()> &edit);

    // The window's Cut, Copy and Paste. The editing area's own clipboard keys
    // (Ctrl+X, Ctrl+Insert, Ctrl+V...) and its context menu run these, so
    // every way to the clipboard moves the same plain text.
    void setClipboardActions(QAction *cut, QAction *copy, QAction *paste);

    // The selection as it goes to the clipboard: its characters with LF line
    // ends, without the object characters that stand for pictures.
    QString clipboardText() const;

    // Keys that belong to the window's menu: the editing area leaves them alone
    // so the menu's shortcut runs instead of the editor's own meaning.
    void setReservedKeys(const QList<QKeySequence> &keys) { m_reserved = keys; }

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void insertFromMimeData(const QMimeData *source) override;
    bool viewportEvent(QEvent *e) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void showDocument(QTextDocument *doc, bool atEnd);
    void insertPlain(const QString &text);
    bool keyAtJoin(QKeyEvent *e);
    bool mergesPieces(const QKeyEvent *e) const;
    bool isReserved(const QKeyEvent *e) const;
    QAction *clipboardActionFor(const QKeyEvent *e) const;
    void mergeFormat(const QTextCharFormat &fmt);
    template <typename Pred> bool wholeSelection(Pred pred) const;

    float m_widthTwips = 0;
    float m_heightTwips = 0;
    QList<QKeySequence> m_reserved;
    QAction *m_cut = nullptr, *m_copy = nullptr, *m_paste = nullptr;
    int m_stepDepth = 0;
    LayoutPacer *m_pacer = nullptr;
    std::unique_ptr<DocumentSession> m_session;
};

#pragma once
// The rich text editing control: a QTextEdit with the members the commands
// use (Text, SelText, SelBold, LoadFile, ...). Commands never reach into the
// QTextDocument themselves for these jobs, so every editing area behaves alike.

#include "shell/Result.h"

#include <QKeySequence>
#include <QList>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <vector>

class LayoutPacer;
class QAction;
class QProgressDialog;
class QTextDocument;

class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    enum FileType { rtfRTF = 0, rtfText = 1 };

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
    QString Characters() const;

    // The whole document as Rich Text Format. Writing a string that is not
    // RTF puts it in as plain text. False as for SetText().
    QString TextRTF() const;
    bool SetTextRTF(const QString &rtf);

    QString SelText() const;
    // One undo step of its own (see OneUndoStep).
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
    Result<> LoadFile(const QString &fileName, int fileType);
    Result<> SaveFile(const QString &fileName, int fileType) const;

    // Case-insensitive search forward from the end of the selection, wrapping
    // once to the start. A match becomes the selection. Returns its start or -1.
    int Find(const QString &text);

    // Puts a new document in place of the current one. The replaced document
    // is kept, so Ctrl+Z past the new document's own history brings it back.
    void ReplaceDocument(std::unique_ptr<QTextDocument> fresh);
    bool UndoReplace();
    bool CanUndoReplace() const { return !m_replaced.empty(); }

    // Replaced documents are kept while their estimated memory fits this
    // budget; the oldest go first. A kept document has no layout.
    static constexpr qint64 kHistoryBudget = 256LL * 1024 * 1024;
    void SetHistoryBudget(qint64 bytes);
    int HistoryCount() const { return int(m_replaced.size()); }
    // What a document without its layout takes, roughly, in bytes.
    static qint64 EstimatedBytes(const QTextDocument *doc);

    // The lazy layout of big documents and changes (see LayoutPacer).
    LayoutPacer *Pacer() const { return m_pacer; }

    // What the window shows for the current document (its title and file
    // name), opaque here. A document that replaces another takes it over;
    // when Ctrl+Z brings a replaced document back, OwnerStateRestored hands
    // back the state that went with it.
    void SetOwnerState(const QVariant &state);

    // Ctrl+Z: the document's own last step, or else the replaced document.
    bool Undo();

    // Runs edit as one undo step: one Ctrl+Z takes all of it back, and text
    // typed just before or after it is a step of its own. Steps nest.
    void OneUndoStep(const std::function<void()> &edit);

    // The window's Cut, Copy and Paste. The editing area's own clipboard keys
    // (Ctrl+X, Ctrl+Insert, Ctrl+V...) and its context menu run these, so
    // every way to the clipboard moves the same plain text.
    void SetClipboardActions(QAction *cut, QAction *copy, QAction *paste);

    // The selection as it goes to the clipboard: its characters with LF line
    // ends, without the object characters that stand for pictures.
    QString ClipboardText() const;

    // A fresh empty document with the editor's defaults (MS Sans Serif 8.5 pt,
    // tab stops every 720 twips).
    static std::unique_ptr<QTextDocument> NewDocument();

    // Keys that belong to the window's menu: the editing area leaves them alone
    // so the menu's shortcut runs instead of the editor's own meaning.
    void SetReservedKeys(const QList<QKeySequence> &keys) { m_reserved = keys; }

signals:
    void OwnerStateRestored(const QVariant &state);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void insertFromMimeData(const QMimeData *source) override;
    bool viewportEvent(QEvent *e) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void showDocument(QTextDocument *doc);
    bool fillPlainText(QTextDocument *doc, const QString &text);
    bool readRtf(const QByteArray &bytes, QTextDocument *doc);
    std::unique_ptr<QProgressDialog> openingProgress();
    void fitHistory();
    void insertPlain(const QString &text);
    bool isReserved(const QKeyEvent *e) const;
    QAction *clipboardActionFor(const QKeyEvent *e) const;
    void mergeFormat(const QTextCharFormat &fmt);
    template <typename Pred> bool wholeSelection(Pred pred) const;

    float m_widthTwips = 0;
    float m_heightTwips = 0;
    QList<QKeySequence> m_reserved;
    QAction *m_cut = nullptr, *m_copy = nullptr, *m_paste = nullptr;
    int m_stepDepth = 0;
    std::vector<std::unique_ptr<QTextDocument>> m_replaced;
    qint64 m_historyBudget = kHistoryBudget;
    LayoutPacer *m_pacer = nullptr;
};

#pragma once
// The documents an editing area shows, apart from the widget: the current
// one and the whole documents it replaced (New, Open, Clear All, ...), each
// with the file the window showed for it, and loading and saving through the
// file module. A view shows what the session hands it through shown(), the
// one way a document gets onto the screen.

#include "base/Result.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QProgressDialog;
class QTextDocument;
class QWidget;

// What the window shows for a document: the file in its title (empty for
// the caption alone) and the common dialog's FileName.
struct ShownFile
{
    QString title;
    QString fileName;
    bool operator==(const ShownFile &) const = default;
};

class DocumentSession : public QObject
{
    Q_OBJECT

public:
    enum FileType { rtfRTF = 0, rtfText = 1 };

    // Work on this many characters may take longer than a fifth of a second.
    static constexpr qsizetype kBusyChars = 256 * 1024;

    // dialogParent owns the progress dialog of a long open.
    explicit DocumentSession(QWidget *dialogParent);
    ~DocumentSession() override;

    QTextDocument *document() const { return m_current.doc.get(); }
    const ShownFile &shownFile() const { return m_current.shown; }
    void setShownFile(const ShownFile &shown) { m_current.shown = shown; }

    // A fresh empty document with the editor's defaults (MS Sans Serif
    // 8.5 pt, tab stops every 720 twips).
    static std::unique_ptr<QTextDocument> newDocument();

    // Puts fresh in place of the current document; it takes over the shown
    // file. The replaced document is kept for undoReplace(), and what was
    // undone before is gone, as with any new edit.
    void replace(std::unique_ptr<QTextDocument> fresh);
    // Shows doc with nothing before or after it to go back to.
    void reset(std::unique_ptr<QTextDocument> doc);
    // Brings back the document the current one replaced; the current one,
    // with the edits undone in it, waits for redoReplace(). Editing the
    // document brought back does not drop it: redo puts the edited one
    // back in the history, so no work is lost either way.
    bool undoReplace();
    bool redoReplace();
    bool canUndoReplace() const { return !m_undo.empty(); }
    bool canRedoReplace() const { return !m_redo.empty(); }

    // Documents waiting to come back are kept while their estimated memory
    // fits this budget; the ones furthest from the current go first. A kept
    // document has no layout.
    static constexpr qint64 kHistoryBudget = 256LL * 1024 * 1024;
    void setHistoryBudget(qint64 bytes);
    int historyCount() const { return int(m_undo.size() + m_redo.size()); }
    // What a document without its layout takes, roughly, in bytes.
    static qint64 estimatedBytes(const QTextDocument *doc);

    // Plain text, paragraphs separated by CR LF.
    QString text() const;
    // Like text(), but a line break inside a paragraph stays U+2028 and a
    // no-break space U+00A0.
    QString characters() const;
    QString rtf() const;
    // Replace the document; text of megabytes shows its progress, and false
    // means the user cancelled (nothing changed). Markup that is not RTF
    // goes in as plain text.
    bool setText(const QString &text);
    bool setRtf(const QString &markup);

    // Replace the document from a file, or write it; on failure the document
    // (or the file on disk) is left as it was and the result says why.
    Result<> load(const QString &fileName, FileType type);
    Result<> save(const QString &fileName, FileType type) const;

signals:
    // doc is now the current document: the view shows it, with the
    // insertion point at its end (a document coming back) or its start.
    void shown(QTextDocument *doc, bool atEnd);
    // Undo or redo brought back a document that went with this shown file.
    void shownFileRestored(const ShownFile &shown);

private:
    struct Entry
    {
        std::unique_ptr<QTextDocument> doc;
        ShownFile shown;
    };
    void show(Entry next, std::vector<Entry> *keepOld, bool atEnd);
    // The last document of from back on screen; the one shown goes to keepOld.
    bool bringBack(std::vector<Entry> *from, std::vector<Entry> *keepOld, bool atEnd);
    void fitHistory();
    bool fillPlainText(QTextDocument *doc, const QString &text);
    bool readRtf(const QByteArray &bytes, QTextDocument *doc);
    std::unique_ptr<QProgressDialog> openingProgress();

    QWidget *m_dialogParent;
    Entry m_current;
    std::vector<Entry> m_undo;   // replaced documents, oldest first
    std::vector<Entry> m_redo;   // undone replacements, the next to redo last
    qint64 m_historyBudget = kHistoryBudget;
};

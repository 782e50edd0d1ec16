#include "shell/DocumentSession.h"

#include "rtf/Rtf.h"
#include "shell/BusyCursor.h"
#include "shell/ParagraphPieces.h"
#include "base/Product.h"
#include "shell/Twips.h"
#include "text/DocumentFile.h"
#include "text/TextCodec.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

DocumentSession::DocumentSession(QWidget *dialogParent) : m_dialogParent(dialogParent) {}

DocumentSession::~DocumentSession() = default;

std::unique_ptr<QTextDocument> DocumentSession::newDocument()
{
    auto doc = std::make_unique<rtf::Document>();
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif")});
    f.setPointSizeF(8.5);
    // Text that needs no shaping (Latin, Greek, Cyrillic...) is laid out
    // from the font's own advances, without kerning or ligatures, as the
    // original control drew it: layout, Qt's biggest cost with big
    // documents, takes about half as long. Scripts that need shaping keep it.
    f.setStyleStrategy(QFont::PreferNoShaping);
    doc->setDefaultFont(f);
    QTextOption opt = doc->defaultTextOption();
    opt.setTabStopDistance(twips::toPxX(720));
    // Paragraphs run left to right unless their format says otherwise, as
    // in RTF. Left to guess, Qt scans the text of every paragraph below an
    // edit on each keystroke, which doubles the cost of typing in a big
    // document.
    opt.setTextDirection(Qt::LeftToRight);
    doc->setDefaultTextOption(opt);
    return doc;
}

// ---- the documents ----------------------------------------------------------

void DocumentSession::show(Entry next, std::vector<Entry> *keepOld, bool atEnd)
{
    Entry old = std::move(m_current);
    m_current = std::move(next);
    QTextDocument *doc = m_current.doc.get();
    doc->setUndoRedoEnabled(true);
    emit shown(doc, atEnd);
    if (old.doc && keepOld) {
        // A document waiting in the history does no layout work and holds
        // no layout memory; it gets a new layout if it comes back.
        old.doc->setDocumentLayout(nullptr);
        keepOld->push_back(std::move(old));
    }
}

void DocumentSession::replace(std::unique_ptr<QTextDocument> fresh)
{
    // Commands that replace the document leave the title and file name as
    // they were; Open sets its own afterwards.
    const ShownFile shown = m_current.shown;
    m_redo.clear();
    // Laid out again whole on every keystroke, a paragraph of megabytes
    // would hold the window for seconds each time.
    pieces::split(fresh.get());
    show({std::move(fresh), shown}, &m_undo, false);
    fitHistory();
}

void DocumentSession::reset(std::unique_ptr<QTextDocument> doc)
{
    m_undo.clear();
    m_redo.clear();
    pieces::split(doc.get());
    show({std::move(doc), {}}, nullptr, false);
}

bool DocumentSession::undoReplace()
{
    return bringBack(&m_undo, &m_redo, true);
}

bool DocumentSession::redoReplace()
{
    return bringBack(&m_redo, &m_undo, false);
}

bool DocumentSession::bringBack(std::vector<Entry> *from, std::vector<Entry> *keepOld, bool atEnd)
{
    if (from->empty())
        return false;
    BusyCursor busy(from->back().doc->characterCount() >= kBusyChars);
    Entry back = std::move(from->back());
    from->pop_back();
    show(std::move(back), keepOld, atEnd);
    emit shownFileRestored(m_current.shown);
    return true;
}

qint64 DocumentSession::estimatedBytes(const QTextDocument *doc)
{
    // UTF-16 text, then per paragraph its block, fragment and format entries;
    // measured on plain and formatted documents of tens of megabytes.
    return 16 * 1024 + qint64(doc->characterCount()) * 3 + qint64(doc->blockCount()) * 120;
}

void DocumentSession::setHistoryBudget(qint64 bytes)
{
    m_historyBudget = bytes;
    fitHistory();
}

void DocumentSession::fitHistory()
{
    // Outward from the current document, one step back and one forward at
    // a time; each side stops at its first document that does not fit.
    qint64 total = 0;
    std::size_t keep[2] = {0, 0};
    bool open[2] = {true, true};
    std::vector<Entry> *side[2] = {&m_undo, &m_redo};
    while (open[0] || open[1]) {
        for (int s = 0; s < 2; ++s) {
            if (!open[s])
                continue;
            std::vector<Entry> &v = *side[s];
            if (keep[s] == v.size()) {
                open[s] = false;
                continue;
            }
            const qint64 next = estimatedBytes(v[v.size() - 1 - keep[s]].doc.get());
            if (total + next > m_historyBudget) {
                open[s] = false;
                continue;
            }
            total += next;
            ++keep[s];
        }
    }
    for (int s = 0; s < 2; ++s)
        side[s]->erase(side[s]->begin(), side[s]->end() - qsizetype(keep[s]));
}

// ---- text -------------------------------------------------------------------

QString DocumentSession::text() const
{
    QString s = rtf::withoutStandIns(document(), document()->toPlainText());
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s;
}

QString DocumentSession::characters() const
{
    QString s = rtf::withoutStandIns(document(), document()->toRawText());
    for (QChar &c : s) {
        // Paragraph ends and a table's frame marks, as toPlainText() has them.
        if (c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1))
            c = QLatin1Char('\n');
    }
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s;
}

QString DocumentSession::rtf() const
{
    return QString::fromLatin1(rtf::write(document()));
}

bool DocumentSession::setText(const QString &text)
{
    BusyCursor busy(text.size() >= kBusyChars);
    std::unique_ptr<QTextDocument> doc = newDocument();
    doc->setUndoRedoEnabled(false);
    if (!fillPlainText(doc.get(), text))
        return false;
    replace(std::move(doc));
    return true;
}

bool DocumentSession::setRtf(const QString &markup)
{
    BusyCursor busy(markup.size() >= kBusyChars);
    bool latin1 = true;
    for (QChar c : markup)
        if (c.unicode() > 0xFF) { latin1 = false; break; }
    const QByteArray bytes = latin1 ? markup.toLatin1() : markup.toUtf8();
    if (!rtf::isRtf(bytes))
        return setText(markup);
    std::unique_ptr<QTextDocument> doc = newDocument();
    doc->setUndoRedoEnabled(false);
    if (!readRtf(bytes, doc.get()))
        return false;
    replace(std::move(doc));
    return true;
}

// ---- files ------------------------------------------------------------------

Result<> DocumentSession::load(const QString &fileName, FileType type)
{
    if (type != rtfRTF && type != rtfText)
        return Failure{QStringLiteral("unknown file type")};
    BusyCursor busy(QFileInfo(fileName).size() >= kBusyChars);
    const Result<QByteArray> read = docfile::load(fileName);
    if (!read)
        return Failure{read.error()};
    const QByteArray &bytes = *read;

    std::unique_ptr<QTextDocument> doc = newDocument();
    doc->setUndoRedoEnabled(false);
    if (type == rtfRTF) {
        if (!rtf::isRtf(bytes))
            return Failure{QStringLiteral("not a Rich Text Format file")};
        if (!readRtf(bytes, doc.get()))
            return Failure{QStringLiteral("cancelled")};
    } else if (!fillPlainText(doc.get(), textcodec::decodeText(bytes))) {
        return Failure{QStringLiteral("cancelled")};
    }
    replace(std::move(doc));
    return {};
}

bool DocumentSession::fillPlainText(QTextDocument *doc, const QString &text)
{
    // A megabyte at a time, so that a file big enough to take seconds shows
    // its progress and can be cancelled.
    constexpr qsizetype kPiece = 1024 * 1024;
    if (text.size() <= 2 * kPiece) {
        doc->setPlainText(text);   // CR LF, a lone CR or LF: a paragraph each
        return true;
    }
    const std::unique_ptr<QProgressDialog> progress = openingProgress();
    QTextCursor c(doc);
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = qMin(text.size(), from + kPiece);
        if (to < text.size() && text.at(to - 1) == QLatin1Char('\r'))
            ++to;   // CR LF stays one line end
        c.insertText(text.mid(from, to - from));   // CR LF, a lone CR or LF: a paragraph each
        from = to;
        progress->setValue(int(from * 1000 / text.size()));
        if (progress->wasCanceled())
            return false;
    }
    return true;
}

bool DocumentSession::readRtf(const QByteArray &bytes, QTextDocument *doc)
{
    // The engine reads about 25 MB a second: only big files need a way out.
    constexpr qsizetype kProgressBytes = 16 * 1024 * 1024;
    if (bytes.size() < kProgressBytes)
        return rtf::read(bytes, doc);
    const std::unique_ptr<QProgressDialog> progress = openingProgress();
    return rtf::read(bytes, doc, [&](qint64 done, qint64 total) {
        progress->setValue(int(done * 1000 / qMax<qint64>(1, total)));
        return !progress->wasCanceled();
    });
}

// Shown once opening has gone on for a second; Cancel leaves the open
// document as it was.
std::unique_ptr<QProgressDialog> DocumentSession::openingProgress()
{
    auto progress = std::make_unique<QProgressDialog>(QStringLiteral("Opening the document..."),
                                                      QStringLiteral("Cancel"), 0, 1000, m_dialogParent);
    progress->setWindowTitle(product::name());
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(1000);
    return progress;
}

Result<> DocumentSession::save(const QString &fileName, FileType type) const
{
    BusyCursor busy(document()->characterCount() >= kBusyChars);
    if (type != rtfRTF && type != rtfText)
        return Failure{QStringLiteral("unknown file type")};
    if (fileName.isEmpty())
        return Failure{QStringLiteral("no file name given")};
    int picturesLeftOut = 0;
    QByteArray bytes;
    if (type == rtfRTF) {
        bytes = rtf::write(document(), &picturesLeftOut);
    } else {
        // The document's own characters (a no-break space stays one); a line
        // break inside a paragraph becomes a line end like any other.
        QString text = characters();
        text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        bytes = text.toUtf8();
    }
    // Saving without a picture would lose it on disk for good.
    if (picturesLeftOut > 0)
        return Failure{QStringLiteral("a picture could not be written")};
    return docfile::save(fileName, bytes);
}

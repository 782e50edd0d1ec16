// The RTF reader's parts that the editor does not show: headers and
// footers, footnotes and endnotes, comments and hidden text. Each part is
// read by a reader of its own into a document of its own, sharing the
// file's font and colour tables, and kept as RTF beside the main text (see
// kSectionParts and kAttachedParts in Rtf.h), so a save writes it back.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {
namespace {

const char *const kSectionKinds[] = {"header", "headerl", "headerr", "headerf",
                                     "footer", "footerl", "footerr", "footerf"};

QString entry(QLatin1String kind, const QString &a, const QString &b, const QString &content)
{
    return kind + u'\x1f' + a + u'\x1f' + b + u'\x1f' + content;
}

} // namespace

void Reader::startPart(Kw id, char16_t kind)
{
    if (m_st.dest != Dest::Text || m_sh.partDepth >= kMaxPartDepth)
        return skipDestination();
    flushHidden();
    flushText();
    // Notes are numbered in the order of the main text; headers and footers
    // are written back ahead of it, so notes in them do not count.
    if (id == Kw::Footnote && m_sh.sectionDepth == 0)
        ++m_sh.notes;
    QString tip;
    bool endnote = false;
    const bool section = id == Kw::HeaderPart;
    m_sh.sectionDepth += section;
    const QString content = readPart(&endnote, &tip);
    m_sh.sectionDepth -= section;
    switch (id) {
    case Kw::HeaderPart:
        m_sh.sectionParts.append(entry(QLatin1String(kSectionKinds[kind & 7]), {}, {}, content));
        break;
    case Kw::Footnote:
        attachPart(entry(endnote ? QLatin1String("endnote") : QLatin1String("footnote"), {}, {}, content), tip);
        break;
    default: // an annotation, with the details that came before it
        attachPart(entry(QLatin1String("annotation"), m_annotation.id, m_annotation.author, content),
                   m_annotation.author.isEmpty() ? tip : m_annotation.author + QLatin1String(": ") + tip);
        m_annotation.id.clear();
        m_annotation.author.clear();
        break;
    }
}

QString Reader::readPart(bool *endnote, QString *plain)
{
    QTextDocument part;
    part.setUndoRedoEnabled(false);
    ++m_sh.partDepth;
    bool eof;
    {
        Reader reader(*this, &part);
        reader.run();
        *endnote = reader.m_endnote;
        eof = reader.m_eof;
    }
    --m_sh.partDepth;
    m_pageFont = INT_MIN; // the part may have changed the page in use
    // The part's reader took the group's '}'; end the group here too.
    m_st.dest = Dest::Skipped;
    if (eof)
        m_done = true;
    else
        closeGroup();
    *plain = part.toPlainText().trimmed();
    return QString::fromLatin1(rtf::write(&part));
}

// Parts follow the character before them; at the start of a paragraph a
// zero-width space stands in for it.
void Reader::attachPart(const QString &part, const QString &tip)
{
    flushText();
    ensurePosition(contentLevel());
    const QTextCharFormat here = charFormat(m_st.ch);
    m_out.call([part, tip, here](QTextCursor &cursor, QTextTable *) {
        if (cursor.atBlockStart())
            cursor.insertText(QString(QChar(0x200B)), here);
        QTextCursor c = cursor;
        const QTextCharFormat before = c.charFormat();
        QStringList parts = before.property(kAttachedParts).toStringList();
        parts.append(part);
        QTextCharFormat add;
        add.setProperty(kAttachedParts, parts);
        if (!tip.isEmpty())
            add.setToolTip(before.toolTip().isEmpty() ? tip : before.toolTip() + u'\n' + tip);
        // Each note's look hashes apart (see kLookHash).
        add.setProperty(kLookHash, int(uint(before.intProperty(kLookHash)) ^ uint(qHash(parts))));
        // The character before, found without a layout of the paragraph
        // (which movePosition needs: quadratic for many notes in one).
        int from = c.position() - 1;
        if (from > 0 && c.document()->characterAt(from).isLowSurrogate()
            && c.document()->characterAt(from - 1).isHighSurrogate())
            --from;
        c.setPosition(from, QTextCursor::KeepAnchor);
        c.mergeCharFormat(add);
    });
}

// \chftn: the number of the footnote that follows (in the text) or that
// this is (inside the note).
void Reader::footnoteNumber()
{
    if (m_st.dest != Dest::Text || m_st.hidden)
        return;
    flushHidden();
    flushText();
    ensurePosition(contentLevel());
    const int number = m_sh.sectionDepth ? 1 : m_isPart ? std::max(1, m_sh.notes) : m_sh.notes + 1;
    const QString text = QString::number(number);
    QTextCharFormat f = charFormat(m_st.ch);
    f.setProperty(kAutoNumber, text);
    m_out.insertText(text, f);
}

void Reader::startCapture(Kw id)
{
    if (m_st.dest != Dest::Text)
        return skipDestination();
    m_st.dest = Dest::Capture;
    m_annotation.captured = id;
    m_annotation.depth = m_stack.size();
    m_annotation.capture.clear();
}

void Reader::endCapture()
{
    if (m_stack.size() != m_annotation.depth)
        return; // a group inside the captured one
    m_annotation.capture.flush();
    const QString text = m_annotation.capture.toString().trimmed();
    m_annotation.capture.clear();
    if (m_annotation.captured == Kw::AtnId)
        m_annotation.id = text;
    else
        m_annotation.author = text;
}

// Hidden text goes with the character before it, written back as \v.
void Reader::flushHidden()
{
    if (!m_hidden.any)
        return;
    m_hidden.any = false;
    m_hidden.text.flush();
    const QString text = m_hidden.text.toString();
    m_hidden.text.clear();
    if (!text.isEmpty())
        attachPart(entry(QLatin1String("hidden"), {}, {}, text), {});
}

} // namespace rtf::detail

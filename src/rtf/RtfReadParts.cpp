// The RTF reader's parts that the editor does not show: headers and
// footers, footnotes and endnotes, comments and hidden text. Each part is
// read by a reader of its own into a document of its own, sharing the
// file's font and colour tables, and kept as RTF beside the main text (see
// KeptPart and kSectionParts in Rtf.h), so a save writes it back. Also the
// document's settings (page setup, information, note settings) and the
// words of its sections.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

#include <algorithm>
#include <iterator>

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
    const CharState look = m_st.ch; // the text's around the part
    bool endnote = false;
    const bool section = id == Kw::HeaderPart;
    m_sh.sectionDepth += section;
    const QString content = readPart(&endnote);
    m_sh.sectionDepth -= section;
    KeptPart part;
    part.content = content;
    switch (id) {
    case Kw::HeaderPart: {
        // Those of a section after a \sect go with it, once it begins.
        QStringList &parts = m_sectionDue && m_sectionBreak && !m_isPart ? m_sectionHeaders : m_sh.sectionParts;
        parts.append(entry(QLatin1String(kSectionKinds[kind & 7]), {}, {}, content));
        return;
    }
    case Kw::Footnote:
        part.kind = endnote ? KeptPart::Endnote : KeptPart::Footnote;
        break;
    default: // an annotation, with the details that came before it
        part.kind = KeptPart::Annotation;
        part.id = m_annotation.id;
        part.author = m_annotation.author;
        m_annotation.id.clear();
        m_annotation.author.clear();
        break;
    }
    insertAnchor(part, look);
}

QString Reader::readPart(bool *endnote)
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
    return QString::fromLatin1(rtf::write(&part));
}

// Each part is an anchor of its own in the text (see KeptPart in Rtf.h).
void Reader::insertAnchor(const KeptPart &part, const CharState &look)
{
    flushText();
    ensurePosition(contentLevel());
    m_out.insertText(QString(QChar::ObjectReplacementCharacter), anchorFormat(part, look));
}

QTextCharFormat Reader::anchorFormat(const KeptPart &part, const CharState &look)
{
    QTextCharFormat f = charFormat(look);
    f.setObjectType(kKeptPartObject);
    f.setProperty(kKeptPart, QVariant::fromValue(part));
    // Qt hashes a value of our own by its type name alone: without a hash
    // of the part, distinct notes would all be compared with each other.
    f.setProperty(kLookHash, int(uint(f.intProperty(kLookHash)) ^ uint(qHashMulti(0x4b50, part.kind, part.id, part.author, part.content, part.pair, part.headers))));
    return f;
}

// Section properties, kept as written for the section they stand in.
void Reader::sectionWord(const Token &t)
{
    if (m_isPart || m_st.dest != Dest::Text)
        return;
    // The first section's words after some of its text ("Before \sectd..."):
    // that text stays ahead of the section's start, where the words stood,
    // so that the words are written back there and not before it.
    if (m_sectionDue && !m_sectionBreak && m_sectionWords.isEmpty() && !m_st.hidden) {
        flushHidden();
        flushText();
    }
    if (t.text == "sectd")
        m_sectionWords.clear();
    if (m_sectionWords.size() >= 1024)
        return;
    m_sectionWords += '\\' + QByteArray(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        m_sectionWords += QByteArray::number(t.param);
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
    if (m_annotation.captured == Kw::Bookmark) {
        if (text.isEmpty())
            return;
        KeptPart part;
        part.kind = m_annotation.kind ? KeptPart::BookmarkEnd : KeptPart::BookmarkStart;
        part.id = text;
        if (m_annotation.kind)
            return insertEndAnchor(part, m_st.ch);
        // Its name is a Qt anchor too: a link to "#name" has its target.
        flushHidden();
        flushText();
        ensurePosition(contentLevel());
        QTextCharFormat f = anchorFormat(part, m_st.ch);
        f.setAnchor(true);
        f.setAnchorNames({text});
        m_out.insertText(QString(QChar::ObjectReplacementCharacter), f);
        return;
    }
    if (m_annotation.captured == Kw::AtnId)
        m_annotation.id = text;
    else
        m_annotation.author = text;
}

// Hidden text is a part of its own, in the look it started in.
void Reader::flushHidden()
{
    if (!m_hidden.any)
        return;
    m_hidden.any = false;
    m_hidden.text.flush();
    KeptPart part;
    part.kind = KeptPart::Hidden;
    part.content = m_hidden.text.toString();
    m_hidden.text.clear();
    if (!part.content.isEmpty())
        insertAnchor(part, m_hidden.look);
}

// Page setup, language, widow control and note settings: the main text's
// own, wherever in its first section they stand.
void Reader::documentSetting(const Keyword &k, const Token &t)
{
    if (m_isPart || m_st.dest != Dest::Text)
        return;
    // After a section break, page size and margins are the new section's:
    // kept with it as written, the document's own stay as they were.
    if (m_sectionBreak && ((k.id == Kw::DocValue && k.ch <= 8) || (k.id == Kw::DocFlag && k.ch == 0)))
        return sectionWord(t);
    DocumentSettings &s = m_sh.settings;
    switch (k.id) {
    case Kw::DocValue: {
        int *const fields[] = {&s.paperWidth, &s.paperHeight, &s.marginLeft, &s.marginRight, &s.marginTop,
                               &s.marginBottom, &s.gutter, &s.headerY, &s.footerY, &s.language};
        if (t.hasParam && k.ch < std::size(fields))
            *fields[k.ch] = std::clamp(t.param, 0, 31680 * 4);
        break;
    }
    case Kw::DocFlag:
        (k.ch == 0 ? s.landscape : s.widowControl) = !t.hasParam || t.param != 0;
        break;
    case Kw::DocKeep: {
        KeptWord w{QByteArray(t.text.data(), qsizetype(t.text.size())), t.param,
                   t.hasParam ? KeptWord::Number : KeptWord::Flag};
        if (w.name == "viewkind" && w.value == 4) // what is written when none is kept
            break;
        if (s.words.words.size() < 256 || s.words.find(w.name)) // a bound for hostile input
            s.words.set(w);
        break;
    }
    default: { // kept as written; a word given again counts once
        QByteArray w = '\\' + QByteArray(t.text.data(), qsizetype(t.text.size()));
        if (t.hasParam)
            w += QByteArray::number(t.param);
        if (s.notes.size() < 1024 && !(s.notes + '\\').contains(w + '\\'))
            s.notes += w;
        break;
    }
    }
}

} // namespace rtf::detail

// The RTF reader's fields: a HYPERLINK field's result becomes a link; any
// other field's result stays text between two anchors, the first holding
// the instruction as read. Also bookmarks, table of contents entries and
// special characters (\chpgn, \chdate, ...), kept as anchors.

#include "rtf/RtfFields.h"
#include "rtf/RtfReaderImpl.h"

#include <cctype>

namespace rtf::detail {

QByteArray escapedRtf(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}')
            out += '\\';
        if (u >= 0x20 && u < 0x7f)
            out += char(u);
        else if (u != 0)
            out += "\\u" + QByteArray::number(u > 32767 ? int(u) - 65536 : int(u)) + '?';
    }
    return out;
}

namespace {

QString decoded(const Codepage *page, const QByteArray &bytes)
{
    if (page->doubleByte)
        return page->decoder.decode(bytes);
    std::u16string s;
    page->appendSingle(s, bytes.constData(), size_t(bytes.size()));
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

int hexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

QByteArray portableRtf(QByteArrayView rtf, const Codepage *page)
{
    // Windows-1252 bytes (and a symbol font's) are written as they were.
    const bool same = !page->doubleByte && (page->number == 1252 || page->number == kSymbolCodepage);
    QByteArray out, run;
    out.reserve(rtf.size());
    const auto flush = [&] {
        if (!run.isEmpty())
            out += escapedRtf(decoded(page, run));
        run.clear();
    };
    const qsizetype n = rtf.size();
    int fallback = 0; // bytes after a \uN stand for it: kept as they are
    for (qsizetype i = 0; i < n;) {
        const char c = rtf[i];
        if (c == '\\' && i + 3 < n && rtf[i + 1] == '\'' && hexDigit(rtf[i + 2]) >= 0 && hexDigit(rtf[i + 3]) >= 0) {
            if (same || fallback > 0) {
                flush();
                out += rtf.sliced(i, 4);
                fallback = std::max(0, fallback - 1);
            } else {
                run += char(hexDigit(rtf[i + 2]) * 16 + hexDigit(rtf[i + 3]));
            }
            i += 4;
            continue;
        }
        if (c == '\\' && i + 1 < n && std::isalpha(uchar(rtf[i + 1]))) {
            flush();
            qsizetype j = i + 1;
            while (j < n && std::isalpha(uchar(rtf[j])))
                ++j;
            const QByteArrayView name = rtf.sliced(i + 1, j - i - 1);
            const qsizetype digits = j;
            if (j < n && (rtf[j] == '-' || std::isdigit(uchar(rtf[j]))))
                ++j;
            while (j < n && std::isdigit(uchar(rtf[j])))
                ++j;
            const bool hasParam = j > digits;
            if (j < n && rtf[j] == ' ')
                ++j;
            if (name == "bin") { // data, copied as it is, with the count it has
                const qsizetype size = std::min(n - j, qsizetype(binCount(rtf.sliced(digits, j - digits))));
                out += "\\bin" + QByteArray::number(size) + ' ';
                out += rtf.sliced(j, size);
                i = j + size;
                fallback = 0;
                continue;
            }
            fallback = name == "u" && hasParam ? 1 : 0;
            out += rtf.sliced(i, j - i);
            i = j;
            continue;
        }
        if (c == '\\' && i + 1 < n) { // \\ \{ \} and other symbols
            flush();
            out += rtf.sliced(i, 2);
            i += 2;
            fallback = 0;
            continue;
        }
        if (uchar(c) >= 0x80 && !same && fallback == 0) {
            run += c;
        } else {
            flush();
            out += c;
            if (c != '\r' && c != '\n')
                fallback = std::max(0, fallback - 1);
        }
        ++i;
    }
    flush();
    return out;
}

HyperlinkInstruction hyperlinkTarget(const QString &inst)
{
    // HYPERLINK "url" [\l "anchor"] [\o "tip"] ...; the url may be unquoted.
    QStringList args;
    qsizetype i = 0;
    const qsizetype n = inst.size();
    while (i < n) {
        while (i < n && inst.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        QString arg;
        if (inst.at(i) == u'"') {
            ++i;
            while (i < n && inst.at(i) != u'"')
                arg.append(inst.at(i++));
            ++i;
        } else {
            while (i < n && !inst.at(i).isSpace())
                arg.append(inst.at(i++));
        }
        args.append(arg);
    }
    HyperlinkInstruction out;
    if (args.isEmpty() || args.first().compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return out;
    QString anchor;
    for (qsizetype k = 1; k < args.size(); ++k) {
        const QString &a = args.at(k);
        if (a.startsWith(u'\\')) {
            const QString sw = a.toLower();
            if (sw == u"\\l" && k + 1 < args.size()) {
                anchor = args.at(++k);
                continue;
            }
            out.more = true; // \o "tip", \t "frame", \m, \n, \h: kept as read
            if (sw == u"\\o" && k + 1 < args.size())
                out.tooltip = args.at(++k);
            else if (sw == u"\\t" && k + 1 < args.size())
                ++k;
            continue;
        }
        if (out.url.isEmpty())
            out.url = a;
        else
            out.more = true;
    }
    if (!anchor.isEmpty())
        out.url += u'#' + anchor;
    return out;
}

void Reader::startField()
{
    if (m_st.dest != Dest::Text && m_st.dest != Dest::FieldInst)
        return skipDestination();
    FieldCtx field;
    field.depth = m_stack.size();
    field.inInstruction = m_st.dest == Dest::FieldInst;
    m_field.fields.push_back(std::move(field));
}

void Reader::fieldFlag(char16_t bit)
{
    if (!m_field.fields.empty() && m_field.fields.back().depth == m_stack.size())
        m_field.fields.back().flags |= quint8(bit);
}

void Reader::startFieldInstruction()
{
    if (m_field.fields.empty() || m_st.dest != Dest::Text)
        return skipDestination();
    m_st.dest = Dest::FieldInst;
    FieldCtx &field = m_field.fields.back();
    if (!field.instFrom) {
        field.instFrom = m_tok.position();
        field.instDepth = m_stack.size();
        field.instPage = pageInUse();
    }
}

// The instruction as RTF: as read where it can be carried over, else its
// text.
QString Reader::fieldInstruction(FieldCtx &field)
{
    if (!field.instRaw.isNull())
        return QString::fromLatin1(portableRtf(field.instRaw, field.instPage));
    field.inst.flush();
    return QString::fromLatin1(escapedRtf(field.inst.toString()));
}

void Reader::startFieldResult()
{
    if (m_st.dest != Dest::Text || m_field.fields.empty())
        return;
    FieldCtx &field = m_field.fields.back();
    if (field.link < 0) {
        // Once per field: a result may come in many pieces, and each piece
        // must not copy the target again.
        field.inst.flush();
        const HyperlinkInstruction link = hyperlinkTarget(field.inst.toString().trimmed());
        field.link = 0;
        if (!link.url.isEmpty()) {
            m_field.links.append(link.url);
            KeptLink kept;
            if (link.more || field.flags) {
                kept.href = link.url;
                kept.instruction = fieldInstruction(field);
                kept.fieldFlags = field.flags;
            }
            m_field.kept.append(kept);
            m_field.tooltips.append(link.tooltip);
            field.link = int(m_field.links.size());
        } else if (!field.inInstruction) {
            field.anchored = true;
            field.pair = ++m_sh.fieldPairs;
            KeptPart part;
            part.kind = KeptPart::FieldStart;
            part.pair = field.pair;
            part.fieldFlags = field.flags;
            part.content = fieldInstruction(field);
            insertAnchor(part, m_st.ch);
        }
        field.inst.clear();
    }
    if (field.link > 0)
        m_st.ch.link = field.link;
}

// The field's group ends: a field with no result still stands where it was.
void Reader::endField(FieldCtx &field)
{
    if (field.inInstruction || field.link > 0 || (m_st.dest != Dest::Text && !field.anchored))
        return;
    if (field.link < 0) {
        field.inst.flush();
        if (!field.instFrom || !hyperlinkTarget(field.inst.toString().trimmed()).url.isEmpty())
            return;
        startFieldResult();
        if (!field.anchored)
            return;
    }
    KeptPart part;
    part.kind = KeptPart::FieldEnd;
    part.pair = field.pair;
    insertEndAnchor(part, m_st.ch);
}

// An end goes where the text it ends does: before a paragraph mark that has
// just been read (Word ends a field that spans paragraphs after the mark of
// its last one), not at the start of the next paragraph.
void Reader::insertEndAnchor(const KeptPart &part, const CharState &look)
{
    flushHidden();
    flushText();
    if (m_pendingPar && int(m_table.tables.size()) == contentLevel()
        && (m_table.tables.empty() || !m_table.tables.back().needMove))
        m_out.insertText(QString(QChar::ObjectReplacementCharacter), anchorFormat(part, look));
    else
        insertAnchor(part, look);
}

// \chpgn, \chdate and their kin: drawn by other programs as a page number,
// a date, a time or a note separator; kept as an anchor that shows nothing.
void Reader::specialChar(char16_t which)
{
    if (m_st.dest != Dest::Text || m_st.hidden || which >= std::size(kSpecialWords))
        return;
    flushHidden();
    KeptPart part;
    part.kind = KeptPart::Special;
    part.content = QLatin1String(kSpecialWords[which]);
    insertAnchor(part, m_st.ch);
}

void Reader::startBookmark(char16_t kind)
{
    if (m_st.dest != Dest::Text)
        return skipDestination();
    startCapture(Kw::Bookmark);
    m_annotation.kind = kind;
}

// {\tc ...} and {\tcn ...}: kept whole, as read.
void Reader::tocEntry(char16_t kind)
{
    if (m_st.dest != Dest::Text)
        return skipDestination();
    const char *from = m_tok.position();
    const Codepage *page = pageInUse();
    const CharState look = m_st.ch;
    m_st.dest = Dest::Skipped;
    skipGroup();
    if (m_done)
        return;
    const QByteArrayView body(from, m_tok.position() - 1 - from);
    closeGroup();
    KeptPart part;
    part.kind = KeptPart::TocEntry;
    part.content = QString::fromLatin1((kind ? "{\\tcn " : "{\\tc ") + portableRtf(body, page) + '}');
    insertAnchor(part, look);
}

} // namespace rtf::detail

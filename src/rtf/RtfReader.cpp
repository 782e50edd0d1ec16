// The RTF reader: tokens from RtfTokenizer, keywords typed by RtfKeywords,
// text decoded through RtfCodepages, everything inserted through one
// QTextCursor inside one edit block. Group state is a plain struct pushed on
// '{' and popped on '}'.

#include "rtf/Rtf.h"
#include "rtf/RtfCodepages.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfTokenizer.h"

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImageReader>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace rtf {
namespace {

// Bounds that keep hostile input from exhausting the stack or memory.
constexpr int kMaxDepth = 1000;        // deeper groups are skipped whole
constexpr int kMaxTableColumns = 64;   // extra cells run into the last one
constexpr int kMaxTableNesting = 16;
constexpr int kMinCellBudget = 100000; // plus one cell per input byte

enum class Dest : uint8_t { Text, FontTable, ColorTable, FieldInst, Pict, TableProps, Skipped };

struct CharState {
    int font = -1; // RTF font number; -1 is the document's default font
    int size = 24; // half points
    int fg = 0;    // colour table indexes; 0 is "auto"
    int bg = 0;
    int link = 0;  // 1-based index into the reader's link targets
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    uint8_t valign = 0; // 1 superscript, 2 subscript
    uint8_t caps = 0;   // 1 all capitals, 2 small capitals
    uint16_t unused = 0; // fills what would be padding, so that == can compare bytes
    // Compared for every piece of text: one block compare, not eleven branches.
    bool operator==(const CharState &o) const { return std::memcmp(this, &o, sizeof(CharState)) == 0; }
};
static_assert(sizeof(CharState) == 5 * sizeof(int) + 8, "CharState must have no padding");

size_t qHash(const CharState &s, size_t seed = 0)
{
    // Three words rather than eleven fields: looked up at every change of format.
    const quint64 a = quint64(quint32(s.font)) << 32 | quint32(s.size);
    const quint64 b = quint64(quint32(s.fg)) << 32 | quint32(s.bg);
    const quint64 c = quint64(quint32(s.link)) << 32 | quint32(s.bold) | quint32(s.italic) << 1
        | quint32(s.underline) << 2 | quint32(s.strike) << 3 | quint32(s.valign) << 4
        | quint32(s.caps) << 12;
    return qHashMulti(seed, a, b, c);
}

struct ParState {
    uint8_t align = 0; // 0 left, 1 centre, 2 right, 3 justified
    bool intbl = false;
    int itap = 0;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    bool sameLook(const ParState &o) const
    {
        return align == o.align && li == o.li && ri == o.ri && fi == o.fi && sb == o.sb && sa == o.sa;
    }
};

struct State {
    CharState ch;
    ParState par;
    Dest dest = Dest::Text;
    bool hidden = false;
    int uc = 1;
};

// Collects decoded text. Double-byte pages keep their bytes until something
// else arrives, so a lead byte and its trail byte are decoded together even
// when one is \'hh and the other a literal character. The text is a plain
// UTF-16 buffer: appending one \uN character is then a store, not a call.
struct Sink {
    std::u16string text;
    QByteArray bytes;
    const Codepage *bytesPage = nullptr;

    bool isEmpty() const { return text.empty() && bytes.isEmpty(); }
    void addBytes(const Codepage *cp, const char *s, qsizetype n)
    {
        if (cp->doubleByte) {
            if (bytesPage != cp)
                flush();
            bytesPage = cp;
            bytes.append(s, n);
            return;
        }
        flush();
        cp->appendSingle(text, s, size_t(n));
    }
    void addChar(char16_t c)
    {
        flush();
        text.push_back(c);
    }
    void flush()
    {
        if (!bytes.isEmpty())
            decodeBytes();
    }
    void decodeBytes()
    {
        const QString s = bytesPage->decoder.decode(bytes);
        text.append(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
        bytes.resize(0);
    }
    void clear()
    {
        text.clear();
        bytes.resize(0);
    }
    // A view of the text for QTextCursor, which copies it: no copy here.
    QString view() const { return QString::fromRawData(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size())); }
    QString toString() const { return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size())); }
};

struct FontEntry {
    QString name;
    int codepage = 0; // 0: the document's ANSI page
};

struct FieldCtx {
    size_t depth;
    Sink inst;
};

struct TableCtx {
    QTextTable *table;
    int row = 0;
    int col = 0;
    bool needMove = false; // the next content goes to (row, col)
    int usedRows = 1;      // rows beyond these were made ahead of need
};

struct Picture {
    size_t depth = 0;
    int kind = 0; // 1 PNG, 2 JPEG, 3 something we cannot show
    int wgoal = 0, hgoal = 0, scalex = 100, scaley = 100;
    int nibble = -1;
    QByteArray data;
};

QString hyperlinkTarget(const QString &inst)
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
    if (args.isEmpty() || args.first().compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return {};
    QString url, anchor;
    for (qsizetype k = 1; k < args.size(); ++k) {
        const QString &a = args.at(k);
        if (a.startsWith(u'\\')) {
            const QString sw = a.toLower();
            if (sw == u"\\l" && k + 1 < args.size())
                anchor = args.at(++k);
            else if ((sw == u"\\o" || sw == u"\\t") && k + 1 < args.size())
                ++k; // tooltip and target frame: not kept
            continue;
        }
        if (url.isEmpty())
            url = a;
    }
    if (!anchor.isEmpty())
        url += u'#' + anchor;
    return url;
}

class Reader {
public:
    Reader(const QByteArray &data, QTextDocument *doc)
        : m_tok(data.constData(), data.constData() + data.size()), m_doc(doc), m_cursor(doc),
          m_cellBudget(kMinCellBudget + data.size())
    {
    }

    void run()
    {
        m_cursor.beginEditBlock();
        while (!m_done) {
            const Token t = m_tok.next();
            switch (t.type) {
            case Token::End: m_done = true; break;
            case Token::Open: openGroup(); break;
            case Token::Close: closeGroup(); break;
            case Token::Word: word(t); break;
            case Token::Symbol: symbol(t.symbol); break;
            case Token::Hex: hex(t.hex); break;
            case Token::Text: text(t.text); break;
            }
        }
        finish();
        m_cursor.endEditBlock();
    }

private:
    // ---- groups ----------------------------------------------------------
    void openGroup()
    {
        m_skipChars = 0;
        m_star = false;
        if (m_stack.size() >= size_t(kMaxDepth)) {
            skipGroup();
            return;
        }
        m_stack.push_back(m_st);
    }

    void closeGroup()
    {
        m_skipChars = 0;
        m_star = false;
        if (m_stack.size() <= 1) { // the outermost group ends the document
            m_done = true;
            return;
        }
        if (m_st.dest == Dest::FontTable)
            commitFont();
        if (m_pictActive && m_pict.depth == m_stack.size())
            finishPicture();
        while (!m_fields.empty() && m_fields.back().depth >= m_stack.size())
            m_fields.pop_back();
        m_st = m_stack.back();
        m_stack.pop_back();
    }

    // Consumes the rest of the current group, '}' included, without looking
    // inside (but \bin data is still stepped over as data).
    void skipGroup()
    {
        int depth = 1;
        for (;;) {
            const Token t = m_tok.next();
            switch (t.type) {
            case Token::End: m_done = true; return;
            case Token::Open: ++depth; break;
            case Token::Close:
                if (--depth == 0)
                    return;
                break;
            case Token::Word:
                if (t.hasParam && t.text == "bin")
                    m_tok.takeBytes(t.param);
                break;
            default: break;
            }
        }
    }

    void skipDestination()
    {
        m_st.dest = Dest::Skipped; // its end must not end a font entry or a picture
        skipGroup();
        if (!m_done)
            closeGroup();
    }

    // ---- tokens ----------------------------------------------------------
    void word(const Token &t)
    {
        if (t.text.size() == 1 && t.text[0] == 'u' && !m_star && m_skipChars == 0) {
            unicode(t.hasParam ? t.param : 0); // by far the most frequent word in non-Latin text
            return;
        }
        const Keyword *k = findKeyword(t.text);
        const bool star = m_star;
        m_star = false;
        if (m_skipChars > 0) { // part of a \uN fallback
            --m_skipChars;
            if (k && k->id == Kw::Bin && t.hasParam)
                m_tok.takeBytes(t.param);
            return;
        }
        if (!k || (star && k->type != KwType::Destination)) {
            if (star) // an ignorable destination we do not know
                skipDestination();
            return;
        }
        switch (k->type) {
        case KwType::Destination: destination(k->id); break;
        case KwType::Flag: flag(k->id); break;
        case KwType::Toggle: toggle(k->id, !t.hasParam || t.param != 0); break;
        case KwType::Value: value(k->id, t.hasParam ? t.param : 0, t.hasParam); break;
        case KwType::Symbol: addChar(k->ch); break;
        }
    }

    void symbol(char c)
    {
        if (c == '*') {
            m_star = true;
            return;
        }
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        switch (c) {
        case '\\': case '{': case '}': addChar(char16_t(c)); break;
        case '~': addChar(0x00A0); break;
        case '-': addChar(0x00AD); break;
        case '_': addChar(0x2011); break;
        case '\t': addChar(u'\t'); break;
        case '\n': case '\r': paragraph(); break;
        default: break; // \: \| and broken escapes
        }
    }

    void hex(uint8_t b)
    {
        m_star = false;
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        const char c = char(b);
        addBytes(&c, 1);
    }

    void text(std::string_view s)
    {
        m_star = false;
        if (m_skipChars > 0) {
            const size_t n = std::min(size_t(m_skipChars), s.size());
            m_skipChars -= int(n);
            s.remove_prefix(n);
            if (s.empty())
                return;
        }
        switch (m_st.dest) {
        case Dest::Text:
        case Dest::FieldInst:
            addBytes(s.data(), qsizetype(s.size()));
            break;
        case Dest::FontTable:
            for (;;) {
                const size_t semi = s.find(';');
                if (semi == std::string_view::npos) {
                    addBytes(s.data(), qsizetype(s.size()));
                    break;
                }
                addBytes(s.data(), qsizetype(semi));
                commitFont();
                s.remove_prefix(semi + 1);
            }
            break;
        case Dest::ColorTable:
            for (char c : s)
                if (c == ';')
                    commitColor();
            break;
        case Dest::Pict: pictureHex(s); break;
        case Dest::TableProps:
        case Dest::Skipped: break;
        }
    }

    // ---- keyword dispatch --------------------------------------------------
    void destination(Kw id)
    {
        switch (id) {
        case Kw::FontTbl:
            m_st.dest = Dest::FontTable;
            resetFontEntry();
            break;
        case Kw::ColorTbl:
            m_st.dest = Dest::ColorTable;
            m_colors.clear();
            clearFormats();
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
            break;
        case Kw::Field:
            if (m_st.dest != Dest::Text && m_st.dest != Dest::FieldInst)
                return skipDestination();
            m_fields.push_back({m_stack.size(), {}});
            break;
        case Kw::FldInst:
            if (m_fields.empty() || m_st.dest != Dest::Text)
                return skipDestination();
            m_st.dest = Dest::FieldInst;
            break;
        case Kw::FldRslt:
            if (m_st.dest != Dest::Text)
                return;
            if (!m_fields.empty()) {
                Sink &inst = m_fields.back().inst;
                inst.flush();
                const QString href = hyperlinkTarget(inst.toString().trimmed());
                if (!href.isEmpty()) {
                    m_links.append(href);
                    m_st.ch.link = int(m_links.size());
                }
            }
            break;
        case Kw::Pict:
            if (m_pictActive || m_st.dest != Dest::Text)
                return skipDestination();
            m_pictActive = true;
            m_pict = Picture();
            m_pict.depth = m_stack.size();
            m_st.dest = Dest::Pict;
            break;
        case Kw::Keep:
            if (m_st.dest != Dest::Text)
                return skipDestination();
            break;
        case Kw::NestTableProps:
            m_st.dest = Dest::TableProps;
            break;
        default:
            skipDestination();
            break;
        }
    }

    void flag(Kw id)
    {
        switch (id) {
        case Kw::Ansi: setAnsi(1252); break;
        case Kw::Mac: setAnsi(10000); break;
        case Kw::Pc: setAnsi(437); break;
        case Kw::Pca: setAnsi(850); break;
        case Kw::Pard: m_st.par = ParState(); break;
        case Kw::Plain: {
            const int link = m_st.ch.link; // a link survives \plain inside its result
            m_st.ch = CharState();
            m_st.ch.link = link;
            m_st.hidden = false;
            break;
        }
        case Kw::Ql: m_st.par.align = 0; break;
        case Kw::Qc: m_st.par.align = 1; break;
        case Kw::Qr: m_st.par.align = 2; break;
        case Kw::Qj: m_st.par.align = 3; break;
        case Kw::Intbl: m_st.par.intbl = true; break;
        case Kw::NoSuperSub: m_st.ch.valign = 0; break;
        case Kw::Super: m_st.ch.valign = 1; break;
        case Kw::Sub: m_st.ch.valign = 2; break;
        case Kw::UlNone: m_st.ch.underline = false; break;
        case Kw::Trowd:
            if (m_st.dest == Dest::Text) {
                m_rowOpen = true;
                m_cellx.clear();
            }
            break;
        case Kw::Cell: endCell(1); break;
        case Kw::NestCell: endCell(std::max(2, m_st.par.itap)); break;
        case Kw::Row: endRow(1); break;
        case Kw::NestRow: endRow(std::max(2, m_st.par.itap)); break;
        case Kw::Par:
        case Kw::Sect:
        case Kw::Page: paragraph(); break;
        case Kw::PngBlip: if (m_st.dest == Dest::Pict) m_pict.kind = 1; break;
        case Kw::JpegBlip: if (m_st.dest == Dest::Pict) m_pict.kind = 2; break;
        case Kw::OtherBlip: if (m_st.dest == Dest::Pict) m_pict.kind = 3; break;
        default: break;
        }
    }

    void toggle(Kw id, bool on)
    {
        switch (id) {
        case Kw::B: m_st.ch.bold = on; break;
        case Kw::I: m_st.ch.italic = on; break;
        case Kw::Ul: m_st.ch.underline = on; break;
        case Kw::Strike: m_st.ch.strike = on; break;
        case Kw::V: m_st.hidden = on; break;
        case Kw::Caps: m_st.ch.caps = on ? 1 : 0; break;
        case Kw::Scaps: m_st.ch.caps = on ? 2 : 0; break;
        default: break;
        }
    }

    void value(Kw id, int v, bool has)
    {
        switch (id) {
        case Kw::AnsiCpg: if (has) setAnsi(v); break;
        case Kw::Deff:
            m_deff = v;
            m_pageFont = INT_MIN;
            break;
        case Kw::F:
            if (m_st.dest == Dest::FontTable) {
                if (!m_fontName.isEmpty())
                    commitFont();
                m_fontId = v;
            } else {
                m_st.ch.font = v;
            }
            break;
        case Kw::Fs: m_st.ch.size = (v > 0) ? std::min(v, 3200) : 24; break;
        case Kw::Cf: m_st.ch.fg = v; break;
        case Kw::Cb:
        case Kw::Highlight: m_st.ch.bg = v; break;
        case Kw::Uc: m_st.uc = std::clamp(v, 0, 1000); break;
        case Kw::U: unicode(v); break;
        case Kw::Li: m_st.par.li = v; break;
        case Kw::Ri: m_st.par.ri = v; break;
        case Kw::Fi: m_st.par.fi = v; break;
        case Kw::Sb: m_st.par.sb = v; break;
        case Kw::Sa: m_st.par.sa = v; break;
        case Kw::Itap: m_st.par.itap = std::clamp(v, 0, kMaxTableNesting); break;
        case Kw::Cellx:
            if (m_cellx.size() < size_t(kMaxTableColumns))
                m_cellx.push_back(v);
            break;
        case Kw::Red: m_red = std::clamp(v, 0, 255); m_colorSet = true; break;
        case Kw::Green: m_green = std::clamp(v, 0, 255); m_colorSet = true; break;
        case Kw::Blue: m_blue = std::clamp(v, 0, 255); m_colorSet = true; break;
        case Kw::Fcharset: if (m_st.dest == Dest::FontTable) m_fontCharset = v; break;
        case Kw::Cpg: if (m_st.dest == Dest::FontTable) m_fontCpg = v; break;
        case Kw::PicwGoal: m_pict.wgoal = v; break;
        case Kw::PichGoal: m_pict.hgoal = v; break;
        case Kw::PicScaleX: m_pict.scalex = v; break;
        case Kw::PicScaleY: m_pict.scaley = v; break;
        case Kw::Bin: {
            const std::string_view data = m_tok.takeBytes(has ? v : 0);
            if (m_st.dest == Dest::Pict)
                m_pict.data.append(data.data(), qsizetype(data.size()));
            break;
        }
        case Kw::Deftab:
            if (v > 0) {
                QTextOption opt = m_doc->defaultTextOption();
                opt.setTabStopDistance(v / 20.0);
                m_doc->setDefaultTextOption(opt);
            }
            break;
        case Kw::Up: m_st.ch.valign = (!has || v > 0) ? 1 : 0; break;
        case Kw::Dn: m_st.ch.valign = (!has || v > 0) ? 2 : 0; break;
        default: break;
        }
    }

    // ---- text ------------------------------------------------------------
    void setAnsi(int cp)
    {
        m_ansi = cp;
        m_pageFont = INT_MIN;
    }

    int effectiveFont() const { return m_st.ch.font >= 0 ? m_st.ch.font : m_deff; }

    const Codepage *currentPage()
    {
        const int f = effectiveFont();
        if (f != m_pageFont) {
            m_pageFont = f;
            int cp = 0;
            auto it = m_fonts.constFind(f);
            if (it != m_fonts.constEnd())
                cp = it->codepage;
            m_page = m_pages.get(cp ? cp : m_ansi);
        }
        return m_page;
    }

    void addBytes(const char *s, qsizetype n)
    {
        switch (m_st.dest) {
        case Dest::Text:
            if (m_st.hidden)
                return;
            beginRun();
            m_text.addBytes(currentPage(), s, n);
            break;
        case Dest::FieldInst:
            if (!m_fields.empty())
                m_fields.back().inst.addBytes(currentPage(), s, n);
            break;
        case Dest::FontTable: {
            int cp = m_fontCpg > 0 ? m_fontCpg : codepageForCharset(m_fontCharset);
            if (cp == 0 || cp == kSymbolCodepage) // a symbol font's name is plain ANSI
                cp = m_ansi;
            m_fontName.addBytes(m_pages.get(cp), s, n);
            break;
        }
        default: break;
        }
    }

    void addChar(char16_t c)
    {
        switch (m_st.dest) {
        case Dest::Text:
            if (m_st.hidden)
                return;
            beginRun();
            m_text.addChar(c);
            break;
        case Dest::FieldInst:
            if (!m_fields.empty())
                m_fields.back().inst.addChar(c);
            break;
        case Dest::FontTable: m_fontName.addChar(c); break;
        default: break;
        }
    }

    void unicode(int v)
    {
        m_skipChars = m_st.uc;
        if (v < 0)
            v += 65536;
        if (v <= 0)
            return;
        if (v <= 0xFFFF) {
            addChar(char16_t(v));
        } else if (v <= 0x10FFFF) {
            addChar(QChar::highSurrogate(char32_t(v)));
            addChar(QChar::lowSurrogate(char32_t(v)));
        }
    }

    // Text is batched per character state; a change of state flushes.
    void beginRun()
    {
        if (!(m_st.ch == m_textState)) {
            if (!m_text.isEmpty())
                flushText();
            m_textState = m_st.ch;
        }
    }

    void flushText()
    {
        m_text.flush();
        if (m_text.text.empty())
            return;
        ensurePosition(contentLevel());
        m_cursor.insertText(m_text.view(), charFormat(m_textState));
        m_text.text.clear();
    }

    void clearFormats()
    {
        m_formats.clear();
        m_lastFormat = nullptr;
    }

    QColor color(int index) const
    {
        if (index <= 0 && (m_colors.empty() || !m_colors.front().isValid()))
            return {};
        if (index < 0 || size_t(index) >= m_colors.size())
            return {};
        return m_colors[size_t(index)];
    }

    const QTextCharFormat &charFormat(const CharState &s)
    {
        if (m_lastFormat && m_lastFormatState == s)
            return *m_lastFormat;
        m_lastFormatState = s;
        auto it = m_formats.constFind(s);
        if (it != m_formats.constEnd())
            return *(m_lastFormat = &*it);
        QTextCharFormat f;
        auto font = m_fonts.constFind(s.font >= 0 ? s.font : m_deff);
        if (font != m_fonts.constEnd() && !font->name.isEmpty())
            f.setFontFamilies(QStringList{font->name});
        f.setFontPointSize(s.size / 2.0);
        if (s.bold)
            f.setFontWeight(QFont::Bold);
        if (s.italic)
            f.setFontItalic(true);
        if (s.underline)
            f.setFontUnderline(true);
        if (s.strike)
            f.setFontStrikeOut(true);
        if (s.valign == 1)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (s.valign == 2)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        if (s.caps == 1)
            f.setFontCapitalization(QFont::AllUppercase);
        else if (s.caps == 2)
            f.setFontCapitalization(QFont::SmallCaps);
        const QColor fg = color(s.fg);
        if (fg.isValid())
            f.setForeground(fg);
        const QColor bg = color(s.bg);
        if (bg.isValid())
            f.setBackground(bg);
        if (s.link > 0 && s.link <= m_links.size()) {
            f.setAnchor(true);
            f.setAnchorHref(m_links.at(s.link - 1));
        }
        return *(m_lastFormat = &*m_formats.insert(s, f));
    }

    const QTextBlockFormat &blockFormat(const ParState &p)
    {
        if (m_haveBlockFormat && m_lastBlockState.sameLook(p))
            return m_lastBlockFormat;
        m_haveBlockFormat = true;
        m_lastBlockState = p;
        QTextBlockFormat &f = m_lastBlockFormat;
        f = QTextBlockFormat();
        switch (p.align) {
        case 1: f.setAlignment(Qt::AlignHCenter); break;
        case 2: f.setAlignment(Qt::AlignRight); break;
        case 3: f.setAlignment(Qt::AlignJustify); break;
        default: break;
        }
        if (p.li)
            f.setLeftMargin(p.li / 20.0);
        if (p.ri)
            f.setRightMargin(p.ri / 20.0);
        if (p.fi)
            f.setTextIndent(p.fi / 20.0);
        if (p.sb)
            f.setTopMargin(p.sb / 20.0);
        if (p.sa)
            f.setBottomMargin(p.sa / 20.0);
        return f;
    }

    // ---- paragraphs and tables -------------------------------------------
    int contentLevel() const
    {
        int level = m_st.par.intbl ? std::max(1, m_st.par.itap) : m_st.par.itap;
        if (level == 0 && m_rowOpen) // writers that forget \intbl after \trowd
            level = 1;
        return std::min(level, kMaxTableNesting);
    }

    // Puts the cursor where content of the given table level goes: opens or
    // closes tables, moves to the pending cell, starts the pending paragraph.
    void ensurePosition(int level)
    {
        while (int(m_tables.size()) > level)
            closeTable();
        for (;;) {
            if (!m_tables.empty() && m_tables.back().needMove)
                moveToCell(m_tables.back());
            if (int(m_tables.size()) >= level)
                break;
            openTable();
        }
        if (m_pendingPar) {
            m_cursor.insertBlock(blockFormat(m_st.par));
            m_blockPar = m_st.par;
            m_blockFormatted = true;
            m_pendingPar = false;
        }
    }

    void finishBlock()
    {
        if (!m_blockFormatted || !m_blockPar.sameLook(m_st.par)) {
            m_cursor.setBlockFormat(blockFormat(m_st.par));
            m_blockPar = m_st.par;
            m_blockFormatted = true;
        }
    }

    void enteredFreshBlock()
    {
        m_pendingPar = false;
        m_blockFormatted = false;
    }

    void paragraph()
    {
        if (m_st.dest != Dest::Text || m_st.hidden)
            return;
        flushText();
        ensurePosition(contentLevel());
        finishBlock();
        m_pendingPar = true;
    }

    void openTable()
    {
        const int cols = (m_tables.empty() && !m_cellx.empty()) ? int(m_cellx.size()) : 1;
        QTextTableFormat f;
        f.setBorder(1);
        f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        f.setCellSpacing(0);
        f.setCellPadding(3);
        m_pendingPar = false; // the table itself separates it from the text before
        QTextTable *t = m_cursor.insertTable(1, cols, f);
        m_cellBudget -= cols;
        m_tables.push_back({t, 0, 0, false});
        enteredFreshBlock();
    }

    void closeTable()
    {
        QTextTable *t = m_tables.back().table;
        const int used = m_tables.back().usedRows;
        m_tables.pop_back();
        if (t->rows() > used)
            t->removeRows(used, t->rows() - used);
        m_cursor.setPosition(t->lastPosition() + 1);
        enteredFreshBlock();
    }

    void moveToCell(TableCtx &t)
    {
        t.needMove = false;
        QTextTable *table = t.table;
        const int rows = table->rows();
        const int cols = table->columns();
        int row = t.row, col = std::min(t.col, kMaxTableColumns - 1);
        qint64 extraRows = 0;
        if (row >= rows) {
            // Rows are made ahead of need and the unused ones go when the
            // table closes: QTextTable rebuilds its cell grid after every
            // change, so one row at a time is quadratic, while every cell
            // made and removed again costs as much as a paragraph. Growing
            // by a quarter keeps both the rebuilds and the waste small, and
            // small tables (the common case) get exactly the rows they use.
            const qint64 step = std::max<qint64>(1, rows / 4);
            extraRows = std::max<qint64>(row - rows + 1, step);
            const qint64 affordable = m_cellBudget / std::max(cols, col + 1);
            if (extraRows > affordable)
                extraRows = std::max<qint64>(row - rows + 1, affordable);
        }
        const qint64 extraCols = col >= cols ? col - cols + 1 : 0;
        const qint64 cost = extraRows * std::max<qint64>(cols, col + 1) + extraCols * (rows + extraRows);
        if (col != t.col || cost > m_cellBudget) {
            // Out of room: keep the text, in order, at the end of the last cell.
            row = std::min(row, t.usedRows - 1);
            col = std::min(col, cols - 1);
            m_cursor.setPosition(table->cellAt(row, col).lastPosition());
            m_pendingPar = true;
            m_blockFormatted = false;
            return;
        }
        m_cellBudget -= cost;
        if (extraRows)
            table->appendRows(int(extraRows));
        if (extraCols)
            table->appendColumns(int(extraCols));
        t.usedRows = std::max(t.usedRows, row + 1);
        m_cursor.setPosition(table->cellAt(row, col).firstPosition());
        enteredFreshBlock();
    }

    void endCell(int level)
    {
        if (m_st.dest != Dest::Text || m_st.hidden)
            return;
        flushText();
        level = std::min(level, kMaxTableNesting);
        if (m_pendingPar && int(m_tables.size()) == level && !m_tables.back().needMove) {
            // "text\par\cell" (pandoc): the \par already ended the cell's last
            // paragraph; \cell adds no empty one after it.
            m_pendingPar = false;
        } else {
            ensurePosition(level);
            finishBlock();
        }
        TableCtx &t = m_tables.back();
        ++t.col;
        t.needMove = true;
    }

    void endRow(int level)
    {
        if ((m_st.dest != Dest::Text && m_st.dest != Dest::TableProps) || m_st.hidden)
            return;
        flushText();
        level = std::min(level, kMaxTableNesting);
        if (level == 1)
            m_rowOpen = false;
        if (int(m_tables.size()) < level)
            return;
        while (int(m_tables.size()) > level)
            closeTable();
        TableCtx &t = m_tables.back();
        ++t.row;
        t.col = 0;
        t.needMove = true;
    }

    // ---- tables of fonts and colours ---------------------------------------
    void resetFontEntry()
    {
        m_fontId = -1;
        m_fontCharset = 0;
        m_fontCpg = 0;
        m_fontName.clear();
    }

    void commitFont()
    {
        m_fontName.flush();
        if (m_fontId >= 0) {
            FontEntry e;
            e.name = m_fontName.toString().trimmed();
            e.codepage = m_fontCpg > 0 ? m_fontCpg : codepageForCharset(m_fontCharset);
            m_fonts.insert(m_fontId, e);
            clearFormats();
            m_pageFont = INT_MIN;
        }
        resetFontEntry();
    }

    void commitColor()
    {
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }

    // ---- pictures ----------------------------------------------------------
    void pictureHex(std::string_view s)
    {
        if (m_pict.kind == 3)
            return; // not shown: no need to keep its data
        for (char c : s) {
            int v;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                v = (c | 0x20) - 'a' + 10;
            else
                continue;
            if (m_pict.nibble < 0) {
                m_pict.nibble = v;
            } else {
                m_pict.data.append(char(m_pict.nibble * 16 + v));
                m_pict.nibble = -1;
            }
        }
    }

    void finishPicture()
    {
        m_pictActive = false;
        Picture pict = std::move(m_pict);
        m_pict = Picture();
        if ((pict.kind != 1 && pict.kind != 2) || pict.data.isEmpty() || m_st.hidden)
            return;
        // Trust the bytes, not the label: some writers call any bitmap a PNG.
        const char *format = pict.data.startsWith("\x89PNG") ? "png"
                           : pict.data.startsWith("\xFF\xD8") ? "jpeg" : nullptr;
        if (!format)
            return;
        QBuffer buffer(&pict.data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        const QSize natural = reader.size();
        if (!natural.isValid() || natural.isEmpty())
            return;
        // Image sizes are in pixels at 96 dpi (15 twips each), as the writer expects.
        double w = pict.wgoal > 0 ? pict.wgoal / 15.0 : natural.width();
        double h = pict.hgoal > 0 ? pict.hgoal / 15.0 : natural.height();
        if (pict.scalex > 0)
            w = w * pict.scalex / 100.0;
        if (pict.scaley > 0)
            h = h * pict.scaley / 100.0;

        flushText();
        ensurePosition(contentLevel());

        const QUrl url(QStringLiteral("rtfimage:%1").arg(++m_images));
        m_doc->addResource(QTextDocument::ImageResource, url, pict.data);
        QTextImageFormat f;
        f.setName(url.toString());
        f.setWidth(w);
        f.setHeight(h);
        m_cursor.insertImage(f);
    }

    // ---- end ---------------------------------------------------------------
    void finish()
    {
        m_st.dest = Dest::Text;
        m_st.hidden = false;
        flushText();
        while (!m_tables.empty())
            closeTable();
        if (!m_pendingPar && !m_cursor.block().text().isEmpty())
            finishBlock();
    }

    Tokenizer m_tok;
    QTextDocument *m_doc;
    QTextCursor m_cursor;

    State m_st;
    std::vector<State> m_stack;
    bool m_done = false;
    bool m_star = false;
    int m_skipChars = 0;

    Codepages m_pages;
    int m_ansi = 1252;
    int m_deff = 0;
    int m_pageFont = INT_MIN; // the font m_page was looked up for
    const Codepage *m_page = nullptr;

    QHash<int, FontEntry> m_fonts;
    int m_fontId = -1;
    int m_fontCharset = 0;
    int m_fontCpg = 0;
    Sink m_fontName;

    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    QHash<CharState, QTextCharFormat> m_formats; // cleared when fonts or colours change
    const QTextCharFormat *m_lastFormat = nullptr; // into m_formats
    CharState m_lastFormatState;
    bool m_haveBlockFormat = false;
    ParState m_lastBlockState;
    QTextBlockFormat m_lastBlockFormat;
    QStringList m_links;
    std::vector<FieldCtx> m_fields;

    Sink m_text;
    CharState m_textState;
    bool m_pendingPar = false;
    bool m_blockFormatted = false;
    ParState m_blockPar;

    std::vector<TableCtx> m_tables;
    std::vector<int> m_cellx;
    bool m_rowOpen = false;
    qint64 m_cellBudget;

    bool m_pictActive = false;
    Picture m_pict;
    int m_images = 0;
};

} // namespace

bool isRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

bool read(const QByteArray &data, QTextDocument *doc)
{
    if (!doc || !isRtf(data))
        return false;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    {
        Reader reader(data, doc);
        reader.run();
    }
    doc->setUndoRedoEnabled(undo);
    return true;
}

} // namespace rtf

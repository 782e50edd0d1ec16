// The RTF reader's core: groups, keyword dispatch, text runs and paragraphs.
// The destination families live in RtfRead*.cpp; see RtfReaderImpl.h.
// Functions on the path of every token are inline (used only here), so the
// token loop compiles as one piece.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

#include <QTextTable>

namespace rtf::detail {

Reader::Reader(const QByteArray &data, QTextDocument *doc)
    : m_own(std::make_unique<Shared>(data)), m_sh(*m_own), m_tok(m_sh.tok), m_doc(doc), m_cursor(doc),
      m_pages(m_sh.pages), m_ansi(m_sh.ansi), m_deff(m_sh.deff), m_font(m_sh.font), m_color(m_sh.color),
      m_tab(m_sh.tabs)
{
}

Reader::Reader(Reader &parent, QTextDocument *doc)
    : m_sh(parent.m_sh), m_tok(m_sh.tok), m_doc(doc), m_cursor(doc), m_isPart(true),
      m_pages(m_sh.pages), m_ansi(m_sh.ansi), m_deff(m_sh.deff), m_font(m_sh.font), m_color(m_sh.color),
      m_tab(m_sh.tabs)
{
    // The part's paragraphs may name the file's lists.
    m_list.lists = parent.m_list.lists;
    m_list.byId = parent.m_list.byId;
    m_list.overrides = parent.m_list.overrides;
    m_list.any = parent.m_list.any;
    // The part starts inside its group, with the character look around it;
    // the group's '}' ends it.
    m_st = parent.m_st;
    m_st.dest = Dest::Text;
    m_st.hidden = false;
    m_st.ch.link = 0;
    m_stack.push_back(m_st);
}

void Reader::run()
{
    m_cursor.beginEditBlock();
    while (!m_done) {
        if (m_tok.remaining() < m_sh.reportBelow)
            report();
        const Token t = m_tok.next();
        switch (t.type) {
        case Token::End: m_done = m_eof = true; break;
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

bool Reader::run(const Progress &progress)
{
    m_sh.progress = &progress;
    m_sh.reportBelow = m_tok.remaining() + 1;
    run();
    m_sh.progress = nullptr;
    return !m_sh.cancelled;
}

void Reader::report()
{
    constexpr size_t kReportEvery = 1 << 20;
    const size_t left = m_tok.remaining();
    m_sh.reportBelow = left > kReportEvery ? left - kReportEvery : 0;
    const qint64 done = m_sh.total - qint64(left);
    if (!(*m_sh.progress)(done, m_sh.total)) {
        m_sh.cancelled = true;
        m_done = true;
    }
}

inline void Reader::openGroup()
{
    m_skipChars = 0;
    m_star = false;
    if (m_stack.size() >= size_t(kMaxDepth)) {
        skipGroup();
        return;
    }
    m_stack.push_back(m_st);
    m_groupOpen = m_tok.position() - 1;
    if (m_st.dest == Dest::StyleSheet)
        styleGroupOpened();
}

void Reader::closeGroup()
{
    m_skipChars = 0;
    m_star = false;
    if (m_stack.size() <= 1) { // the outermost group ends the document
        m_done = true;
        return;
    }
    if (m_st.dest == Dest::FontTable)
        commitFont();
    else if (m_st.dest == Dest::Capture)
        endCapture();
    else if (m_st.dest == Dest::ListTable || m_st.dest == Dest::LevelText || m_st.dest == Dest::Pn)
        listGroupEnd();
    else if (m_st.dest == Dest::StyleSheet)
        styleGroupClosing();
    if (m_picture.active && m_picture.pict.depth == m_stack.size())
        finishPicture();
    if (!m_field.fields.empty()) {
        FieldCtx &f = m_field.fields.back();
        if (m_st.dest == Dest::FieldInst && f.instFrom && f.instDepth == m_stack.size() && f.instRaw.isNull())
            f.instRaw = QByteArray(f.instFrom, m_tok.position() - 1 - f.instFrom);
        while (!m_field.fields.empty() && m_field.fields.back().depth >= m_stack.size()) {
            endField(m_field.fields.back());
            m_field.fields.pop_back();
        }
    }
    m_st = m_stack.back();
    m_stack.pop_back();
    // A hidden group is a part of its own: {\v a}{\v b}, as the writer
    // writes two parts side by side, reads back as two.
    if (m_hidden.any && !m_st.hidden)
        flushHidden();
}

// Consumes the rest of the current group, '}' included, without looking
// inside (but \bin data is still stepped over as data).
void Reader::skipGroup()
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

void Reader::skipDestination()
{
    m_st.dest = Dest::Skipped; // its end must not end a font entry or a picture
    skipGroup();
    if (!m_done)
        closeGroup();
}

inline void Reader::word(const Token &t)
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
    if (m_st.dest == Dest::StyleSheet)
        return styleWord(t, k, star);
    if (m_st.dest == Dest::Pict)
        pictureWord(t, k);
    if (m_st.dest == Dest::ListTable || m_st.dest == Dest::Pn)
        return listWord(t, k, star);
    if (!k || (star && k->type != KwType::Destination)) {
        if (star) // an ignorable destination we do not know
            skipDestination();
        return;
    }
    if (k->id == Kw::DocValue || k->id == Kw::DocFlag || k->id == Kw::NoteSetting || k->id == Kw::DocKeep)
        return documentSetting(*k, t);
    if (k->id == Kw::SectWord)
        return sectionWord(t);
    if (k->id == Kw::StyleRef)
        return useStyle(k->ch, t.hasParam ? t.param : 0);
    if (k->id == Kw::TableProp)
        return tableProp(k->ch, t.hasParam ? t.param : 0);
    if (propertyWord(*k, t))
        return;
    switch (k->type) {
    case KwType::Destination: destination(k->id, k->ch); break;
    case KwType::Flag: flag(k->id, k->ch); break;
    case KwType::Toggle: toggle(k->id, !t.hasParam || t.param != 0, k->ch); break;
    case KwType::Value: value(k->id, t.hasParam ? t.param : 0, t.hasParam); break;
    case KwType::Symbol: addChar(k->ch); break;
    }
}

inline void Reader::symbol(char c)
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

inline void Reader::hex(uint8_t b)
{
    m_star = false;
    if (m_skipChars > 0) {
        --m_skipChars;
        return;
    }
    if (b == 0 && m_st.dest != Dest::LevelText)
        return; // a NUL is no text (and no writer could write it back)
    const char c = char(b);
    addBytes(&c, 1);
}

inline void Reader::text(std::string_view s)
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
    case Dest::Capture:
    case Dest::LevelText:
    case Dest::StyleSheet:
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
    case Dest::Upr:
    case Dest::ListTable:
    case Dest::Pn:
    case Dest::Skipped: break;
    }
}

void Reader::destination(Kw id, char16_t kind)
{
    switch (id) {
    case Kw::FontTbl: startFontTable(); break;
    case Kw::ColorTbl: startColorTable(); break;
    case Kw::Field: startField(); break;
    case Kw::FldInst: startFieldInstruction(); break;
    case Kw::FldRslt: startFieldResult(); break;
    case Kw::Pict: startPicture(); break;
    case Kw::Keep:
        if (m_st.dest != Dest::Text)
            return skipDestination();
        if (kind)
            startObject(kind);
        break;
    case Kw::ListTable:
    case Kw::List:
    case Kw::ListLevel:
    case Kw::LevelText:
    case Kw::ListOverride:
    case Kw::LfoLevel:
    case Kw::Pn:
    case Kw::ListText: listDestination(id); break;
    case Kw::HeaderPart:
    case Kw::Footnote:
    case Kw::Annotation: startPart(id, kind); break;
    case Kw::AtnId:
    case Kw::AtnAuthor: startCapture(id); break;
    case Kw::Info: readKeptGroup(m_sh.settings.info, "{\\info"); break;
    case Kw::Bookmark: startBookmark(kind); break;
    case Kw::TocEntry: tocEntry(kind); break;
    case Kw::StyleSheet: startStyleSheet(); break;
    case Kw::DocGroup:
        readKeptGroup(kind ? m_sh.settings.background : m_sh.settings.userProps,
                      kind ? "{\\*\\background" : "{\\*\\userprops");
        break;
    case Kw::Upr: // Word for Mac: {\upr{ANSI part}{\*\ud{Unicode twin}}}
        if (m_st.dest != Dest::Text)
            return skipDestination();
        m_st.dest = Dest::Upr; // tables inside are read; text waits for the twin
        break;
    case Kw::Ud:
        if (m_st.dest != Dest::Upr)
            return skipDestination();
        m_st.dest = Dest::Text;
        break;
    case Kw::NestTableProps:
        m_st.dest = Dest::TableProps;
        break;
    default:
        skipDestination();
        break;
    }
}

void Reader::flag(Kw id, char16_t arg)
{
    switch (id) {
    case Kw::Ansi: setAnsi(1252); break;
    case Kw::Mac: setAnsi(10000); break;
    case Kw::Pc: setAnsi(437); break;
    case Kw::Pca: setAnsi(850); break;
    case Kw::Pard:
        m_st.par = ParState();
        if (m_sh.styles.any) // the paragraph is in style 0 now
            useStyle(kParagraphOnly, 0);
        break;
    case Kw::Plain: {
        const int link = m_st.ch.link; // a link survives \plain inside its result
        m_st.ch = CharState();
        m_st.ch.link = link;
        m_st.hidden = false;
        if (m_st.par.style)
            useStyle(kParagraphLookOnly, m_st.par.style);
        break;
    }
    case Kw::Ql: m_st.par.align = 0; break;
    case Kw::Qc: m_st.par.align = 1; break;
    case Kw::Qr: m_st.par.align = 2; break;
    case Kw::Qj: m_st.par.align = 3; break;
    case Kw::LtrPar: m_st.par.rtl = false; break;
    case Kw::RtlPar: m_st.par.rtl = true; break;
    case Kw::Intbl: m_st.par.intbl = true; break;
    case Kw::NoSuperSub: m_st.ch.valign = 0; break;
    case Kw::Super: m_st.ch.valign = 1; break;
    case Kw::Sub: m_st.ch.valign = 2; break;
    case Kw::UlNone: m_st.ch.underline = QTextCharFormat::NoUnderline; break;
    case Kw::Trowd:
    case Kw::ClMgf:
    case Kw::ClMrg:
    case Kw::ClVmgf:
    case Kw::ClVmrg:
    case Kw::ClVertalT:
    case Kw::ClVertalC:
    case Kw::ClVertalB:
    case Kw::ClBrdr:
    case Kw::BrdrOther:
    case Kw::BrdrStyle:
    case Kw::TrBrdr:
    case Kw::TrAlign: tableWord(id, arg, 0); break;
    case Kw::Cell: endCell(1); break;
    case Kw::NestCell: endCell(std::max(2, m_st.par.itap)); break;
    case Kw::Row: endRow(1); break;
    case Kw::NestRow: endRow(std::max(2, m_st.par.itap)); break;
    case Kw::Par: paragraph(); break;
    case Kw::Sect:
    case Kw::Page: pageBreak(id, arg); break;
    case Kw::FieldFlag: fieldFlag(arg); break;
    case Kw::SpecialChar: specialChar(arg); break;
    case Kw::PageBB: m_st.par.pagebb = true; break;
    case Kw::PngBlip: if (m_st.dest == Dest::Pict) m_picture.pict.kind = 1; break;
    case Kw::JpegBlip: if (m_st.dest == Dest::Pict) m_picture.pict.kind = 2; break;
    case Kw::Chftn: footnoteNumber(); break;
    case Kw::Tqr: m_st.par.tabKind = TabStop::Right; break;
    case Kw::Tqc: m_st.par.tabKind = TabStop::Center; break;
    case Kw::Tqdec: m_st.par.tabKind = TabStop::Decimal; break;
    case Kw::TlDot: m_st.par.tabLeader = TabStop::Dot; break;
    case Kw::TlHyph: m_st.par.tabLeader = TabStop::Hyphen; break;
    case Kw::TlUl: m_st.par.tabLeader = TabStop::Underline; break;
    case Kw::TlTh: m_st.par.tabLeader = TabStop::Thick; break;
    case Kw::TlEq: m_st.par.tabLeader = TabStop::Equal; break;
    case Kw::FtnAlt: m_endnote = m_isPart; break;
    case Kw::OtherBlip:
        if (m_st.dest == Dest::Pict)
            m_picture.pict.kind = arg == u'w' ? 4 : arg == u'e' ? 5 : 3;
        break;
    default: break;
    }
}

void Reader::toggle(Kw id, bool on, char16_t kind)
{
    switch (id) {
    case Kw::B: m_st.ch.bold = on; break;
    case Kw::I: m_st.ch.italic = on; break;
    case Kw::Ul: // dotted, dashed, wavy...; double, thick and words-only draw single
        m_st.ch.underline = !on ? 0 : kind ? uint8_t(kind) : uint8_t(QTextCharFormat::SingleUnderline);
        break;
    case Kw::Strike: m_st.ch.strike = on; break;
    case Kw::V: m_st.hidden = on; break;
    case Kw::Caps: m_st.ch.caps = on ? 1 : 0; break;
    case Kw::Scaps: m_st.ch.caps = on ? 2 : 0; break;
    default: break;
    }
}

void Reader::value(Kw id, int v, bool has)
{
    switch (id) {
    case Kw::AnsiCpg: if (has) setAnsi(v); break;
    case Kw::Deff:
        m_deff = v;
        m_pageFont = INT_MIN;
        break;
    case Kw::F:
        if (m_st.dest == Dest::FontTable) {
            if (!m_font.name.isEmpty())
                commitFont();
            m_font.id = v;
        } else {
            m_st.ch.font = v;
        }
        break;
    case Kw::Fs: m_st.ch.size = (v > 0) ? std::min(v, 3200) : 24; break;
    case Kw::Cf: m_st.ch.fg = v; break;
    case Kw::Cb:
    case Kw::Highlight: m_st.ch.bg = v > 0 ? v : -1; break; // 0 is "none", never colour 0
    case Kw::Uc: m_st.uc = std::clamp(v, 0, 1000); break;
    case Kw::U: unicode(v); break;
    case Kw::Li: m_st.par.li = v; break;
    case Kw::Ri: m_st.par.ri = v; break;
    case Kw::Fi: m_st.par.fi = v; break;
    case Kw::Sb: m_st.par.sb = v; break;
    case Kw::Sa: m_st.par.sa = v; break;
    case Kw::Itap: m_st.par.itap = std::clamp(v, 0, kMaxTableNesting); break;
    case Kw::Cellx:
    case Kw::ClCbpat:
    case Kw::ClShdng:
    case Kw::BrdrW:
    case Kw::BrdrCf:
    case Kw::Trrh:
    case Kw::Trgaph: tableWord(id, 0, v); break;
    case Kw::Red: m_color.red = std::clamp(v, 0, 255); m_color.set = true; break;
    case Kw::Green: m_color.green = std::clamp(v, 0, 255); m_color.set = true; break;
    case Kw::Blue: m_color.blue = std::clamp(v, 0, 255); m_color.set = true; break;
    case Kw::Fcharset: if (m_st.dest == Dest::FontTable) m_font.charset = v; break;
    case Kw::Cpg: if (m_st.dest == Dest::FontTable) m_font.cpg = v; break;
    case Kw::PicwGoal: m_picture.pict.wgoal = v; break;
    case Kw::PichGoal: m_picture.pict.hgoal = v; break;
    case Kw::PicScaleX: m_picture.pict.scalex = v; break;
    case Kw::PicScaleY: m_picture.pict.scaley = v; break;
    case Kw::Bin: {
        const std::string_view data = m_tok.takeBytes(has ? v : 0);
        if (m_st.dest == Dest::Pict)
            m_picture.pict.data.append(data.data(), qsizetype(data.size()));
        break;
    }
    case Kw::Deftab:
        if (v > 0) {
            QTextOption opt = m_doc->defaultTextOption();
            opt.setTabStopDistance(twipsToPixels(v));
            m_doc->setDefaultTextOption(opt);
        }
        break;
    case Kw::Tx: addTabStop(v); break;
    case Kw::ListId:
    case Kw::LevelNfc:
    case Kw::LevelStartAt:
    case Kw::Ls:
    case Kw::Ilvl: listValue(id, v); break;
    case Kw::Tb: m_st.par.tabKind = 0; m_st.par.tabLeader = 0; break; // bar tabs: no stop
    case Kw::Sl: m_st.par.sl = std::clamp(v, -31680, 31680); break; // at most 22 inches
    case Kw::SlMult: m_st.par.slmult = has && v != 0; break;
    case Kw::Outline: m_st.par.outline = has ? std::clamp(v, 0, 9) : -1; break;
    default: break;
    }
}

void Reader::setAnsi(int cp)
{
    m_ansi = cp;
    m_pageFont = INT_MIN;
}

inline int Reader::effectiveFont() const
{
    return m_st.ch.font >= 0 ? m_st.ch.font : m_deff;
}

inline const Codepage *Reader::currentPage()
{
    const int f = effectiveFont();
    if (f != m_pageFont) {
        m_pageFont = f;
        int cp = 0;
        auto it = m_font.fonts.constFind(f);
        if (it != m_font.fonts.constEnd()) {
            cp = it->codepage;
            // A Western font in a double-byte document: its bytes are
            // Windows-1252 (a "\'a9" is a copyright sign, not half a
            // Big5 character). In single-byte documents it follows \ansicpg.
            if (it->western && m_pages.get(m_ansi)->doubleByte)
                cp = 1252;
        }
        m_page = m_pages.get(cp ? cp : m_ansi);
    }
    return m_page;
}

const Codepage *Reader::pageInUse()
{
    return currentPage();
}

inline void Reader::addBytes(const char *s, qsizetype n)
{
    switch (m_st.dest) {
    case Dest::Text:
        if (m_st.hidden) {
            if (!m_hidden.any)
                m_hidden.look = m_st.ch;
            m_hidden.text.addBytes(currentPage(), s, n);
            m_hidden.any = true;
            return;
        }
        beginRun();
        m_text.addBytes(currentPage(), s, n);
        break;
    case Dest::Capture: m_annotation.capture.addBytes(currentPage(), s, n); break;
    case Dest::LevelText: m_list.text.addBytes(currentPage(), s, n); break;
    case Dest::StyleSheet: m_sh.styles.name.addBytes(m_pages.get(m_ansi), s, n); break;
    case Dest::FieldInst:
        if (!m_field.fields.empty())
            m_field.fields.back().inst.addBytes(currentPage(), s, n);
        break;
    case Dest::FontTable: {
        int cp = m_font.cpg > 0 ? m_font.cpg : codepageForCharset(std::max(0, m_font.charset));
        if (cp == 0 || cp == kSymbolCodepage) // a symbol font's name is plain ANSI
            cp = m_ansi;
        m_font.name.addBytes(m_pages.get(cp), s, n);
        break;
    }
    default: break;
    }
}

inline void Reader::addChar(char16_t c)
{
    switch (m_st.dest) {
    case Dest::Text:
        if (m_st.hidden) {
            if (!m_hidden.any)
                m_hidden.look = m_st.ch;
            m_hidden.text.addChar(c);
            m_hidden.any = true;
            return;
        }
        beginRun();
        m_text.addChar(c);
        break;
    case Dest::Capture: m_annotation.capture.addChar(c); break;
    case Dest::LevelText: m_list.text.addChar(c); break;
    case Dest::StyleSheet: m_sh.styles.name.addChar(c); break;
    case Dest::FieldInst:
        if (!m_field.fields.empty())
            m_field.fields.back().inst.addChar(c);
        break;
    case Dest::FontTable: m_font.name.addChar(c); break;
    default: break;
    }
}

inline void Reader::unicode(int v)
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
inline void Reader::beginRun()
{
    if (m_hidden.any)
        flushHidden();
    if (!(m_st.ch == m_textState)) {
        if (!m_text.isEmpty())
            flushText();
        m_textState = m_st.ch;
    }
}

void Reader::flushText()
{
    m_text.flush();
    if (m_text.text.empty())
        return;
    ensurePosition(contentLevel());
    m_out.insertText(m_text.view(), charFormat(m_textState));
    m_text.text.clear();
}


// Puts the cursor where content of the given table level goes: opens or
// closes tables, moves to the pending cell, starts the pending paragraph.
void Reader::ensurePosition(int level)
{
    while (int(m_table.tables.size()) > level)
        closeTable();
    // A table before any paragraph: the empty one Qt keeps ahead of it is
    // not the document's.
    if (level > 0 && m_table.tables.empty() && !m_pendingPar && !m_isPart && m_out.cursor().atStart()
        && m_out.cursor().block().length() == 1) {
        QTextBlockFormat lead = m_out.cursor().blockFormat();
        lead.setProperty(kLeadingStandIn, true);
        m_out.setBlockFormat(lead);
    }
    for (;;) {
        if (!m_table.tables.empty() && m_table.tables.back().needMove)
            moveToCell(m_table.tables.back());
        if (int(m_table.tables.size()) >= level || !openTable())
            break;
    }
    // A section cannot begin in a table cell (content moved up into a
    // merged cell could then come before an earlier section's start): one
    // whose break stood in a table begins after it, its break ending an
    // empty paragraph there, as it is written back.
    const bool sectionAfterTable = m_sectionDue && m_sectionBreak && m_sectionInTable && !m_isPart;
    if (sectionAfterTable && level == 0 && !m_pendingPar && rightAfterTable()) {
        finishBlock();
        markParagraph();
        m_pendingPar = true;
    }
    if (m_pendingPar) {
        m_out.insertBlock(placedBlockFormat());
        m_blockPar = m_st.par;
        m_blockFormatted = true;
        m_pendingPar = false;
        m_flatMarked = false;
    }
    // Breaks take no look of their own: the one they come with is a matter
    // of where the reader happens to be. In the order the writer writes
    // them: a section's break ends the paragraph before, so it comes first.
    const auto section = [this] {
        m_sectionDue = false;
        KeptPart part;
        part.kind = KeptPart::Section;
        part.sectionBreak = m_sectionBreak;
        part.content = QString::fromLatin1(m_sectionWords);
        part.headers = std::exchange(m_sectionHeaders, {});
        m_out.insertText(QString(QChar::ObjectReplacementCharacter), anchorFormat(part, CharState()));
    };
    const bool sectionDue = m_sectionDue && !m_isPart;
    if (sectionDue && m_sectionBreak && (!sectionAfterTable || level == 0))
        section();
    const auto pageOrColumn = [this](bool &due, KeptPart::Kind kind) {
        if (!std::exchange(due, false))
            return;
        KeptPart part;
        part.kind = kind;
        m_out.insertText(QString(QChar::ObjectReplacementCharacter), anchorFormat(part, CharState()));
    };
    pageOrColumn(m_pageDue, KeptPart::PageBreak);
    // A column break needs its section's columns before it: with one column
    // it is a page break.
    if (sectionDue && !m_sectionBreak && !m_sectionWords.isEmpty())
        section();
    pageOrColumn(m_columnDue, KeptPart::ColumnBreak);
}

// The cursor is in the empty block after a table (Qt's character before
// it ends the table's frame).
bool Reader::rightAfterTable() const
{
    const QTextCursor &c = m_out.cursor();
    return !m_out.inTable() && c.block().length() == 1 && c.position() > 0
        && c.document()->characterAt(c.position() - 1) == QChar(0xFDD1);
}

void Reader::finishBlock()
{
    if (!m_blockFormatted || !m_blockPar.sameLook(m_st.par) || m_blockPar.itap != m_st.par.itap) {
        m_out.setBlockFormat(placedBlockFormat());
        m_blockPar = m_st.par;
        m_blockFormatted = true;
    }
    if ((m_st.par.ls > 0 && m_list.any) || m_st.par.pn > 0)
        joinList();
}

void Reader::enteredFreshBlock()
{
    m_pendingPar = false;
    m_blockFormatted = false;
    m_flatMarked = false;
}

inline void Reader::paragraph()
{
    if (m_st.dest != Dest::Text || m_st.hidden)
        return;
    flushHidden();
    flushText();
    ensurePosition(contentLevel());
    finishBlock();
    markParagraph();
    m_pendingPar = true;
}

// \page, \column and \sect end the paragraph (unless one has just ended:
// no empty paragraph for them); the next content starts with the break, or
// the section with its properties read until then.
void Reader::pageBreak(Kw id, char16_t column)
{
    if (m_st.dest != Dest::Text || m_st.hidden)
        return;
    flushHidden();
    flushText();
    const bool emptyStart = !m_out.inTable() && m_out.cursor().atStart() && m_out.cursor().block().length() == 1;
    if (!m_pendingPar && !(id == Kw::Page && emptyStart))
        paragraph();
    if (id == Kw::Page) {
        (column ? m_columnDue : m_pageDue) = true;
    } else if (!m_isPart) {
        m_sectionDue = true;
        m_sectionBreak = true;
        m_sectionInTable = contentLevel() > 0;
        m_sectionWords.clear();
    }
}

void Reader::finish()
{
    m_st.dest = Dest::Text;
    m_st.hidden = false;
    flushHidden();
    flushText();
    // A file that ends inside fields (a truncated one): they end here.
    while (!m_field.fields.empty()) {
        endField(m_field.fields.back());
        m_field.fields.pop_back();
    }
    // Headers of a section that never began stay with the document.
    m_sh.sectionParts += std::exchange(m_sectionHeaders, {});
    while (!m_table.tables.empty())
        closeTable();
    if (!m_pendingPar && !m_cursor.block().text().isEmpty())
        finishBlock();
    if (!m_isPart) {
        auto face = m_font.fonts.constFind(m_deff);
        if (face != m_font.fonts.constEnd() && !face->name.isEmpty())
            m_sh.settings.defaultFace = face->name;
    }
    if (!m_isPart && (!m_sh.sectionParts.isEmpty() || !(m_sh.settings == DocumentSettings()) || m_sh.styles.any)) {
        QTextFrameFormat ff = m_doc->rootFrame()->frameFormat();
        keepStyleSheet(ff);
        if (!m_sh.sectionParts.isEmpty())
            ff.setProperty(kSectionParts, m_sh.sectionParts);
        if (!(m_sh.settings == DocumentSettings()))
            ff.setProperty(kDocumentSettings, QVariant::fromValue(m_sh.settings));
        m_doc->rootFrame()->setFrameFormat(ff);
    }
}

} // namespace rtf::detail

namespace rtf {

bool isRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

bool read(const QByteArray &data, QTextDocument *doc)
{
    return read(data, doc, Progress());
}

bool read(const QByteArray &data, QTextDocument *doc, const Progress &progress)
{
    if (!doc || !isRtf(data))
        return false;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextOption opt = doc->defaultTextOption();
    opt.setTabStopDistance(twipsToPixels(kDefaultTabTwips)); // RTF's default when \deftab is absent
    doc->setDefaultTextOption(opt);
    bool finished = true;
    {
        detail::Reader reader(data, doc);
        if (progress)
            finished = reader.run(progress);
        else
            reader.run();
    }
    doc->setUndoRedoEnabled(undo);
    return finished;
}

} // namespace rtf

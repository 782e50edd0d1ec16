// The RTF reader's style sheet: \stylesheet entries, their looks (based-on
// styles followed), and \s, \cs and \ts in the text, which give a paragraph
// or run its style's look before its own words.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {

namespace {

// The words of a style entry that set a look the reader shows; they are
// played over the based-on style's look. The rest are kept as RTF.
bool isShownFormatting(Kw id)
{
    switch (id) {
    case Kw::Ql: case Kw::Qc: case Kw::Qr: case Kw::Qj: case Kw::LtrPar: case Kw::RtlPar:
    case Kw::NoSuperSub: case Kw::Sub: case Kw::Super: case Kw::UlNone: case Kw::PageBB:
    case Kw::Tqr: case Kw::Tqc: case Kw::Tqdec: case Kw::TlDot: case Kw::TlHyph: case Kw::TlUl:
    case Kw::TlTh: case Kw::TlEq: case Kw::F: case Kw::Fs: case Kw::Cf: case Kw::Cb: case Kw::Highlight:
    case Kw::Li: case Kw::Ri: case Kw::Fi: case Kw::Sb: case Kw::Sa: case Kw::Up: case Kw::Dn:
    case Kw::Tx: case Kw::Tb: case Kw::Sl: case Kw::SlMult: case Kw::Outline:
    case Kw::B: case Kw::I: case Kw::Ul: case Kw::Strike: case Kw::Caps: case Kw::Scaps:
        return true;
    default:
        return false;
    }
}

// Words kept as read must not name a font, a colour or a list: the writer
// numbers its own tables, so such a number would name something else. Nor
// the switches that say which script the font words after them are for
// (\loch \dbch...): without those words they would move the style's \f
// onto another script.
bool keepsAsRead(std::string_view w)
{
    static constexpr std::string_view dropped[] = {"ab", "af", "afs", "ai", "alang", "dbch", "fcs", "hich",
                                                   "ilvl", "loch", "ls", "ltrch", "pard", "plain", "rtlch", "ulc"};
    if (std::find(std::begin(dropped), std::end(dropped), w) != std::end(dropped))
        return false;
    const auto ends = [&](std::string_view e) { return w.size() >= e.size() && w.substr(w.size() - e.size()) == e; };
    return !ends("pat") && !ends("cf") && !ends("cb");
}

// "heading 3", "Überschrift 3", "Titre 3" (before any ",alias"): 3; else 0.
int headingOfName(const QString &name)
{
    const QString n = name.section(u',', 0, 0).trimmed().toLower();
    for (const char16_t *prefix : {u"heading ", u"\u00fcberschrift ", u"titre "}) {
        const QString p = QString::fromUtf16(prefix);
        if (n.startsWith(p)) {
            bool ok = false;
            const int level = QStringView(n).mid(p.size()).toInt(&ok);
            return ok && level >= 1 && level <= 9 ? level : 0;
        }
    }
    return 0;
}

// A style's look fills in what the run or paragraph has not said itself:
// most writers put their words after the style's number, some (AbiWord)
// before it.
template <class T> void fill(T &field, T value, T none)
{
    if (field == none)
        field = value;
}

void overlay(CharState &ch, const CharState &s)
{
    const CharState none;
    fill(ch.font, s.font, none.font);
    fill(ch.size, s.size, none.size);
    fill(ch.fg, s.fg, none.fg);
    fill(ch.bg, s.bg, none.bg);
    ch.bold |= s.bold;
    ch.italic |= s.italic;
    ch.strike |= s.strike;
    fill(ch.underline, s.underline, none.underline);
    fill(ch.valign, s.valign, none.valign);
    fill(ch.caps, s.caps, none.caps);
}

// An entry ends: its name is the text up to ';'.
void commitEntry(StyleState &ss)
{
    ss.entry = false;
    StyleDef &def = ss.defs.back();
    ss.name.flush();
    def.kept.name = ss.name.toString().section(u';', 0, 0).trimmed();
    ss.index[def.kept.kind].insert(def.kept.number, int(ss.defs.size() - 1));
}

// Each field of the paragraph's look that holds `was` gets the style's.
void fillLook(ParState &p, const ParState &s, const ParState &was)
{
    fill(p.align, s.align, was.align);
    fill(p.li, s.li, was.li);
    fill(p.ri, s.ri, was.ri);
    fill(p.fi, s.fi, was.fi);
    fill(p.sb, s.sb, was.sb);
    fill(p.sa, s.sa, was.sa);
    if (p.sl == was.sl && p.slmult == was.slmult) {
        p.sl = s.sl;
        p.slmult = s.slmult;
    }
    fill(p.tabs, s.tabs, was.tabs);
    fill(p.outline, s.outline, was.outline);
    fill(p.heading, s.heading, was.heading);
    p.rtl |= s.rtl;
    p.pagebb |= s.pagebb;
}

} // namespace

void Reader::startStyleSheet()
{
    StyleState &ss = m_sh.styles;
    if (m_isPart || m_st.dest != Dest::Text || ss.any)
        return skipDestination();
    ss.any = true;
    m_st.dest = Dest::StyleSheet;
    ss.sheetDepth = m_stack.size();
}

// A group opened inside the sheet: at its top level, a new entry.
void Reader::styleGroupOpened()
{
    StyleState &ss = m_sh.styles;
    if (m_stack.size() != ss.sheetDepth + 1)
        return;
    if (ss.entry) // an entry left open by a broken file
        styleGroupClosing();
    ss.defs.emplace_back();
    ss.entry = true;
    ss.name.clear();
    m_st.ch = CharState();
    m_st.par = ParState();
}

void Reader::styleGroupClosing()
{
    StyleState &ss = m_sh.styles;
    if (ss.entry && m_stack.size() >= ss.sheetDepth + 1) {
        if (m_stack.size() > ss.sheetDepth + 1)
            return; // a group inside the entry
        commitEntry(ss);
    } else if (m_stack.size() == ss.sheetDepth) {
        resolveStyles();
    }
}

void Reader::styleWord(const Token &t, const Keyword *k, bool star)
{
    StyleState &ss = m_sh.styles;
    // \ts is a table row's word too: here it numbers a table style.
    const bool tableStyle = k && k->id == Kw::TableProp && k->ch == TableRowProps::Style;
    const Kw id = tableStyle ? Kw::StyleRef : k ? k->id : Kw::Skip;
    if (id == Kw::StyleWord && k->ch == 'L') { // {\*\latentstyles ...}: kept as read
        const bool entry = ss.entry && m_stack.size() == ss.sheetDepth + 1;
        QByteArray body;
        if (!skipGroupKeeping(body))
            return;
        if (entry) { // the group was taken for an entry
            ss.entry = false;
            ss.defs.pop_back();
        }
        for (char c : body)
            if (uchar(c) >= 0x7f)
                return;
        ss.sheet.latent = (body.startsWith('{') || body.startsWith('\\') ? "{\\*\\latentstyles" : "{\\*\\latentstyles ") + body;
        return;
    }
    if (star && id != Kw::StyleRef && id != Kw::StyleWord)
        return skipDestination(); // {\*\keycode ...} and the like
    if (!ss.entry)
        return;
    StyleDef &def = ss.defs.back();
    Style &s = def.kept;
    const int v = t.hasParam ? t.param : 0;
    const bool on = !t.hasParam || t.param != 0;
    if (id == Kw::StyleRef) {
        s.kind = tableStyle ? Style::Table : Style::Kind(k->ch);
        s.number = v;
        return;
    }
    if (id == Kw::StyleWord) {
        switch (k->ch) {
        case 'a': s.additive = on; break;
        case 'u': s.autoUpdate = on; break;
        case 'b': s.basedOn = v; break;
        case 'c': s.compose = on; break;
        case 'h': s.hidden = on; break;
        case 'l': s.link = v; break;
        case 'k': s.locked = on; break;
        case 'n': s.next = v; break;
        case 'e': s.personal = on; break;
        case 'p': s.priority = v; break;
        case 'q': s.quickFormat = on; break;
        case 'r': s.reply = on; break;
        case 's': s.semiHidden = on; break;
        case 'w': s.unhideWhenUsed = on; break;
        default: break;
        }
        return;
    }
    if (k && isShownFormatting(id)) {
        def.ops.push_back({id, k->type, k->ch, t.hasParam, v});
        return;
    }
    if (!keepsAsRead(t.text) || t.text.empty() || s.words.size() > (1 << 16))
        return;
    s.words.append('\\');
    s.words.append(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        s.words.append(QByteArray::number(t.param));
}

// Each style's look: its based-on chain (which may run forward, or round
// in a circle in a broken file) from the bottom up, each style once.
void Reader::resolveStyles()
{
    StyleState &ss = m_sh.styles;
    if (ss.entry)
        commitEntry(ss);
    ss.sheetDepth = 0;
    const auto baseOf = [&ss](const StyleDef &d) {
        if (d.kept.basedOn < 0)
            return -1;
        return ss.index[d.kept.kind].value(d.kept.basedOn, -1);
    };
    std::vector<int> path;
    for (size_t i = 0; i < ss.defs.size(); ++i) {
        path.clear();
        for (int cur = int(i); cur >= 0 && ss.defs[size_t(cur)].state == 0; cur = baseOf(ss.defs[size_t(cur)])) {
            ss.defs[size_t(cur)].state = 1;
            path.push_back(cur);
        }
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            StyleDef &def = ss.defs[size_t(*it)];
            const int base = baseOf(def);
            replayStyle(def, base >= 0 && ss.defs[size_t(base)].state == 2 ? &ss.defs[size_t(base)] : nullptr);
            def.state = 2;
        }
    }
    ss.sheet.styles.reserve(qsizetype(ss.defs.size()));
    for (const StyleDef &def : ss.defs)
        ss.sheet.styles.append(def.kept);
}

void Reader::replayStyle(StyleDef &def, const StyleDef *base)
{
    const State saved = m_st;
    m_st = State();
    if (base) {
        m_st.ch = base->ch;
        m_st.par = base->par;
    }
    for (const StyleOp &op : def.ops) {
        switch (op.type) {
        case KwType::Flag: flag(op.id, op.ch); break;
        case KwType::Toggle: toggle(op.id, !op.has || op.v != 0, op.ch); break;
        case KwType::Value: value(op.id, op.v, op.has); break;
        default: break;
        }
    }
    def.ops = std::vector<StyleOp>();
    def.ch = m_st.ch;
    def.par = m_st.par;
    m_st = saved;
    def.ch.link = 0;
    def.ch.cstyle = 0;
    def.par.style = 0;
    if (const int heading = headingOfName(def.kept.name); heading && def.kept.kind == Style::Paragraph)
        def.par.heading = heading;

    Style &s = def.kept;
    const CharState none;
    s.charFormat = charFormat(def.ch);
    if (def.ch.font == none.font) {
        s.charFormat.clearProperty(QTextFormat::FontFamilies);
        s.charFormat.clearProperty(kFontFace);
    }
    if (def.ch.size == none.size && (!base || base->ch.size == none.size))
        s.charFormat.clearProperty(QTextFormat::FontPointSize);
    s.charFormat.clearProperty(kLookHash);
    if (s.kind == Style::Paragraph) {
        s.blockFormat = blockFormat(def.par);
        s.blockFormat.clearProperty(kLookHash);
    }
}

// \s, \cs, \ts and \ds in the text: the style's look, then the words after it.
void Reader::useStyle(int kind, int number)
{
    const StyleState &ss = m_sh.styles;
    const int at = ss.index[kind >= kParagraphLookOnly ? int(Style::Paragraph) : kind].value(number, -1);
    const StyleDef *def = at >= 0 && ss.defs[size_t(at)].state == 2 ? &ss.defs[size_t(at)] : nullptr;
    switch (kind) {
    case Style::Paragraph:
    case kParagraphOnly: {
        ParState &p = m_st.par;
        const ParState none;
        // \pard gave the paragraph style 0's look; another style takes the
        // place of what is still that look.
        const int at0 = p.style == 0 && number != 0 ? ss.index[Style::Paragraph].value(0, -1) : -1;
        if (at0 >= 0 && ss.defs[size_t(at0)].state == 2)
            fillLook(p, none, ss.defs[size_t(at0)].par);
        p.style = number;
        if (!def)
            break;
        fillLook(p, def->par, none);
        if (kind == Style::Paragraph)
            overlay(m_st.ch, def->ch);
        break;
    }
    case Style::Character:
        m_st.ch.cstyle = number;
        if (def)
            overlay(m_st.ch, def->ch);
        break;
    case kParagraphLookOnly:
        if (def)
            overlay(m_st.ch, def->ch);
        break;
    default: break;
    }
}

void Reader::keepStyleSheet(QTextFrameFormat &ff)
{
    StyleState &ss = m_sh.styles;
    if (ss.sheetDepth) // a sheet cut off by the end of the file
        resolveStyles();
    if (ss.any)
        ff.setProperty(kStyleSheet, QVariant::fromValue(ss.sheet));
}

} // namespace rtf::detail

// The RTF reader's properties beside Qt's: character and paragraph words Qt
// does not draw are kept as they were read (KeptWords), the few it can draw
// are shown (letter spacing, raised and lowered text, width, paragraph
// shading), a paragraph's mark keeps its own look, and document words are
// kept in the document's settings.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

#include <QPen>

namespace rtf {

namespace {
bool byName(const KeptWord &w, QByteArrayView name) { return QByteArrayView(w.name) < name; }
} // namespace

const KeptWord *KeptWords::find(QByteArrayView name) const
{
    auto it = std::lower_bound(words.cbegin(), words.cend(), name, byName);
    return it != words.cend() && it->name == name ? &*it : nullptr;
}

void KeptWords::set(const KeptWord &w)
{
    auto it = std::lower_bound(words.begin(), words.end(), QByteArrayView(w.name), byName);
    if (it != words.end() && it->name == w.name)
        *it = w;
    else
        words.insert(it, w);
}

void KeptWords::remove(QByteArrayView name)
{
    auto it = std::lower_bound(words.begin(), words.end(), name, byName);
    if (it != words.end() && it->name == name)
        words.erase(it);
}

void KeptWords::removePrefix(QByteArrayView prefix)
{
    words.removeIf([prefix](const KeptWord &w) { return w.name.startsWith(prefix); });
}

} // namespace rtf

namespace rtf::detail {

namespace {
// Bounds for hostile input: a run or paragraph keeps at most so many words
// (Word writes some 35 for a framed paragraph with borders and shading), a
// document so many distinct sets of them and so many words in all its sets
// (each word given makes a set: a paragraph of one word changed over and
// over would otherwise hold its other words again each time).
constexpr qsizetype kMaxKeptWords = 64;
constexpr size_t kMaxWordSets = 1 << 20;
constexpr qsizetype kMaxAllWords = 1 << 22;

QByteArray nameOf(const Token &t) { return QByteArray(t.text.data(), qsizetype(t.text.size())); }

int familyOf(const QByteArray &name)
{
    const Keyword *k = findKeyword(name.constData());
    return k && (k->id == Kw::CharKeep || k->id == Kw::ParKeep) ? (k->ch & 0xff) : 0;
}

bool isUnderlineWord(const QByteArray &name)
{
    const Keyword *k = findKeyword(name.constData());
    return k && k->id == Kw::Ul;
}
} // namespace

// Words of a run or paragraph are interned: equal sets get equal numbers,
// so equal looks still compare equal byte for byte.
int Reader::editWords(int set, const std::function<void(KeptWords &)> &edit)
{
    WordSets &ws = m_sh.words;
    KeptWords words = ws.sets[size_t(set)];
    const qsizetype before = words.words.size();
    edit(words);
    if (words.words.size() > std::max(before, kMaxKeptWords) || words == ws.sets[size_t(set)])
        return set;
    QByteArray key;
    for (const KeptWord &w : words.words) {
        key += w.name;
        key += '\0';
        key += char(w.kind);
        key.append(reinterpret_cast<const char *>(&w.value), sizeof w.value);
    }
    auto found = ws.index.constFind(key);
    if (found != ws.index.constEnd())
        return *found;
    if (ws.sets.size() >= kMaxWordSets || ws.allWords + words.words.size() > kMaxAllWords)
        return set;
    ws.allWords += words.words.size();
    ws.sets.push_back(std::move(words));
    ws.hashes.push_back(uint(qHash(key, 0x5440)));
    const int n = int(ws.sets.size() - 1);
    ws.index.insert(key, n);
    return n;
}

void Reader::keepWord(const Keyword &k, const Token &t)
{
    const QByteArray name = nameOf(t);
    KeptWord w{name, 0, KeptWord::Flag};
    bool off = false;
    if (k.type == KwType::Toggle) {
        // A character toggle's "off" is what \plain gives; a paragraph's
        // (\hyphpar0) is kept, as its default is the document's.
        off = k.id == Kw::CharKeep && t.hasParam && t.param == 0;
        if (k.id != Kw::CharKeep && t.hasParam)
            w = {name, t.param, KeptWord::Number};
    } else if (t.hasParam) {
        w = {name, t.param, KeptWord::Number};
    }
    if (k.ch & kKeepColor) {
        const QColor c = color(t.hasParam ? t.param : 0);
        w = {name, c.isValid() ? int(c.rgba()) : 0, KeptWord::Color};
    }
    const int family = k.ch & 0xff;
    int &set = k.id == Kw::CharKeep ? m_st.ch.kept : m_st.par.kept;
    set = editWords(set, [&](KeptWords &s) {
        if (family)
            s.words.removeIf([family](const KeptWord &o) { return familyOf(o.name) == family; });
        if (off)
            s.remove(name);
        else
            s.set(w);
    });
}

bool Reader::propertyWord(const Keyword &k, const Token &t)
{
    // A border's words describe the paragraph's border named last, unless
    // a cell's or a row's border is being described.
    switch (k.id) {
    case Kw::BrdrOther:
    case Kw::ClBrdr:
    case Kw::TrBrdr:
    case Kw::Trowd:
    case Kw::Pard: m_parBorder.clear(); return false;
    case Kw::BrdrStyle:
    case Kw::BrdrW:
    case Kw::BrdrCf:
    case Kw::Brsp:
        if (!m_parBorder.isEmpty() && m_st.dest == Dest::Text) {
            const QByteArray name = m_parBorder + '.' + nameOf(t);
            KeptWord w{name, t.hasParam ? t.param : 0, t.hasParam ? KeptWord::Number : KeptWord::Flag};
            if (k.id == Kw::BrdrCf) {
                const QColor c = color(w.value);
                w = {name, c.isValid() ? int(c.rgba()) : 0, KeptWord::Color};
            }
            if (k.id == Kw::BrdrStyle) // one style per side
                m_st.par.kept = editWords(m_st.par.kept, [this](KeptWords &s) {
                    s.words.removeIf([this](const KeptWord &o) {
                        const Keyword *ok = o.name.startsWith(m_parBorder + '.')
                            ? findKeyword(o.name.mid(m_parBorder.size() + 1).constData()) : nullptr;
                        return ok && ok->id == Kw::BrdrStyle;
                    });
                });
            m_st.par.kept = editWords(m_st.par.kept, [&w](KeptWords &s) { s.set(w); });
        }
        return k.id == Kw::Brsp;
    default: break;
    }
    if (m_st.dest != Dest::Text) {
        if (k.id == Kw::ParBrdr)
            tableWord(Kw::BrdrOther, 0, 0);
        return k.id == Kw::CharKeep || k.id == Kw::ParKeep || k.id == Kw::ParBrdr || k.id == Kw::Expnd
            || k.id == Kw::Expndtw || k.id == Kw::CharScaleX;
    }
    const int v = t.hasParam ? t.param : 0;
    switch (k.id) {
    case Kw::CharKeep:
    case Kw::ParKeep: keepWord(k, t); return true;
    case Kw::ParBrdr: {
        tableWord(Kw::BrdrOther, 0, 0); // not a cell's border
        m_parBorder = nameOf(t);
        // A side given again starts afresh.
        m_st.par.kept = editWords(m_st.par.kept, [this](KeptWords &s) {
            s.removePrefix(m_parBorder + '.');
            s.set({m_parBorder, 0, KeptWord::Flag});
        });
        return true;
    }
    case Kw::Expnd: m_st.ch.expnd = int16_t(std::clamp(v, -6336, 6336) * 5); return true; // quarter points
    case Kw::Expndtw: m_st.ch.expnd = int16_t(std::clamp(v, -31680, 31680)); return true;
    case Kw::CharScaleX: m_st.ch.scalex = uint16_t(v == 100 ? 0 : std::clamp(v, 1, 600)); return true;
    case Kw::Up: m_st.ch.up = int16_t(t.hasParam ? std::clamp(v, -3200, 3200) : 6); return true;
    case Kw::Dn: m_st.ch.up = int16_t(t.hasParam ? -std::clamp(v, -3200, 3200) : -6); return true;
    case Kw::Ul: // what Qt draws only nearly (double, thick, words only) is kept by name
    case Kw::UlNone:
    case Kw::Strike: {
        const bool on = k.id != Kw::UlNone && (!t.hasParam || t.param != 0);
        const QByteArray name = nameOf(t);
        static const QByteArrayView drawn[] = {"ul", "uld", "uldash", "uldashd", "uldashdd", "ulwave"};
        const bool exact = std::find(std::begin(drawn), std::end(drawn), QByteArrayView(name)) != std::end(drawn);
        m_st.ch.kept = editWords(m_st.ch.kept, [&](KeptWords &s) {
            if (k.id == Kw::Strike) {
                s.remove("striked");
                if (on && name == "striked")
                    s.set({name, 0, KeptWord::Flag});
                return;
            }
            s.words.removeIf([](const KeptWord &o) { return isUnderlineWord(o.name); });
            if (on && !exact)
                s.set({name, 0, KeptWord::Flag});
        });
        return false; // and drawn as Qt can
    }
    default: return false;
    }
}

void Reader::applyKeptWords(QTextCharFormat &f, const CharState &s) const
{
    if (s.up) // a share of the font's height, raised without shrinking
        f.setBaselineOffset(s.up * 100.0 / std::max(1, s.size));
    if (s.expnd) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(twipsToPixels(s.expnd));
    }
    if (s.scalex)
        f.setFontStretch(s.scalex);
    if (!s.kept)
        return;
    const KeptWords &w = m_sh.words.sets[size_t(s.kept)];
    f.setProperty(kKeptCharWords, QVariant::fromValue(w));
    // Embossed and engraved letters have a grey edge, so that white ones
    // (as Word writes them) stay visible.
    if (w.find("embo") || w.find("impr"))
        f.setTextOutline(QPen(QColor(128, 128, 128), 0));
}

void Reader::applyKeptWords(QTextBlockFormat &f, const ParState &p) const
{
    if (!p.kept)
        return;
    const KeptWords &w = m_sh.words.sets[size_t(p.kept)];
    f.setProperty(kKeptParWords, QVariant::fromValue(w));
    // Shading: a share (\shading, in hundredths of a per cent) of the
    // pattern colour over the fill colour.
    const KeptWord *fill = w.find("cbpat"), *pattern = w.find("cfpat"), *share = w.find("shading");
    const double a = share ? std::clamp(share->value, 0, 10000) / 10000.0 : 0;
    if (!(fill && fill->value) && a <= 0)
        return;
    const QColor back = fill && fill->value ? QColor::fromRgba(QRgb(fill->value)) : QColor(Qt::white);
    const QColor fore = pattern && pattern->value ? QColor::fromRgba(QRgb(pattern->value)) : QColor(Qt::black);
    f.setBackground(QColor::fromRgbF(float(back.redF() * (1 - a) + fore.redF() * a),
                                     float(back.greenF() * (1 - a) + fore.greenF() * a),
                                     float(back.blueF() * (1 - a) + fore.blueF() * a)));
}

// At \par: an empty paragraph takes the look of its mark (its height is the
// mark's); another keeps its mark's look when it differs from its last run's.
// A list item's marker is drawn in its mark's look too, as word processors
// draw it (Qt draws it in the block's look, which is otherwise whatever
// came before the paragraph, a heading's say).
void Reader::markParagraph()
{
    const bool empty = m_out.blockEmpty();
    const bool listed = m_out.cursor().currentList();
    CharState last = m_textState;
    last.link = m_st.ch.link; // the mark is no part of a link
    if (!empty && !listed && m_st.ch == last)
        return;
    QTextCharFormat f = charFormat(m_st.ch);
    // States that differ only in how they say it (\f0 or the default face)
    // give the same look: no mark of its own.
    const bool sameLook = !empty && (m_st.ch == last || f == charFormat(last));
    if (sameLook && !listed)
        return;
    if (!empty && !sameLook)
        f.setProperty(kMarkFormat, true);
    if (!m_out.inTable() && m_out.cursor().blockCharFormat() == f)
        return;
    m_out.call([f](QTextCursor &c, QTextTable *) { c.setBlockCharFormat(f); });
}

bool Reader::skipGroupKeeping(QByteArray &body)
{
    const char *from = m_tok.position();
    m_st.dest = Dest::Skipped;
    skipGroup();
    if (m_done)
        return false;
    body = QByteArray(from, m_tok.position() - from);
    closeGroup();
    return true;
}

// A document group (\info, \userprops, \background) kept as it was read when it is printable ASCII and its
// \'hh bytes are Windows-1252 (what the writer's header says).
void Reader::readKeptGroup(QByteArray &into, const char *opening)
{
    if (m_isPart || m_st.dest != Dest::Text || !into.isEmpty())
        return skipDestination();
    QByteArray body;
    if (!skipGroupKeeping(body))
        return;
    for (char c : body)
        if (uchar(c) >= 0x7f || (uchar(c) < 0x20 && c != '\r' && c != '\n' && c != '\t'))
            return;
    if (m_ansi == 1252 || !body.contains("\\'"))
        into = opening + QByteArray(body.startsWith('{') || body.startsWith('\\') ? "" : " ") + body;
}

} // namespace rtf::detail

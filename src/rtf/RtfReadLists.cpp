// The RTF reader's lists: \listtable and \listoverridetable define them,
// paragraphs join them with \ls and \ilvl; old files give each paragraph
// its list in \pn words instead. Each run of items of one list at one
// level becomes one QTextList, so numbering goes on across deeper items
// and starts again under the next item above. The definitions are kept
// whole on the lists' formats for the writer.

#include "rtf/Rtf.h"
#include "rtf/RtfLists.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {

namespace {

constexpr int kMaxLists = 4096;
constexpr qsizetype kMaxKeptWords = 512;

} // namespace

void Reader::listDestination(Kw id)
{
    ListState &l = m_list;
    const size_t depth = m_stack.size();
    switch (id) {
    case Kw::ListTable:
        if (m_st.dest != Dest::Text)
            return skipDestination();
        l.any = true;
        m_st.dest = Dest::ListTable;
        break;
    case Kw::List:
        if (m_st.dest != Dest::ListTable || l.listDepth || l.overrideDepth || l.lists.size() >= kMaxLists)
            return skipDestination();
        l.lists.emplace_back();
        l.level = -1;
        l.levelDepth = 0; // a level left open by broken input is no level of this list
        l.listDepth = depth;
        break;
    case Kw::ListLevel:
        if (m_st.dest != Dest::ListTable)
            return skipDestination();
        if (l.lfoDepth) // an override's level: only its start is read
            break;
        if (!l.listDepth || l.levelDepth || l.lists.back().levels.size() >= 9)
            return skipDestination();
        l.lists.back().levels.append(ListLevelDef());
        l.level = int(l.lists.back().levels.size()) - 1;
        l.levelDepth = depth;
        break;
    case Kw::LevelText:
        if (m_st.dest != Dest::ListTable || !l.levelDepth || l.textDepth)
            return skipDestination();
        m_st.dest = Dest::LevelText;
        l.textDepth = depth;
        l.textKind = 0;
        l.text.clear();
        break;
    case Kw::ListOverride:
        if (m_st.dest != Dest::ListTable || l.listDepth || l.overrideDepth)
            return skipDestination();
        l.overrideDepth = depth;
        l.overrideId = l.overrideLs = 0;
        l.lfoLevel = -1;
        l.overrideStart.clear();
        break;
    case Kw::LfoLevel:
        if (m_st.dest != Dest::ListTable || !l.overrideDepth || l.lfoDepth)
            return skipDestination();
        l.lfoDepth = depth;
        l.lfoLevel = std::min(l.lfoLevel + 1, 8);
        l.lfoStart = false;
        break;
    case Kw::Pn: // an old list; with a list table it only repeats it (and is written again)
        if (m_st.dest != Dest::Text || l.any) {
            if (m_st.dest == Dest::Text && m_stack.size() > 1 && !m_stack.back().par.pn)
                m_stack.back().par.pn = -1;
            return skipDestination();
        }
        m_st.dest = Dest::Pn;
        l.pnDepth = depth;
        l.pn = ListLevelDef();
        l.pnBefore.clear();
        l.pnAfter.clear();
        l.pnLevel = 0;
        break;
    default: // \listtext, \pntext: the label of a list item
        if (m_st.dest != Dest::Text || l.any || labelOfList()) // the list draws its own
            return skipDestination();
        break;
    }
}

// The text before or after an old list's number.
void Reader::pnWord(const Keyword *k, int v)
{
    ListState &l = m_list;
    if (k->id == Kw::PnText) {
        m_st.dest = Dest::LevelText;
        l.textDepth = m_stack.size();
        l.textKind = k->ch;
        l.text.clear();
        return;
    }
    if (k->id != Kw::ListWord)
        return;
    switch (k->ch) {
    case 20: l.pnLevel = -2; l.pn.nfc = 23; break;
    case 21: l.pnLevel = 0; break;
    case 22: l.pnLevel = -1; break;
    case 23: l.pnLevel = std::clamp(v, 1, 9); break;
    case 24: case 25: case 26: case 27: case 28:
        if (l.pn.nfc != 23)
            l.pn.nfc = k->ch - 24;
        break;
    case 29: l.pn.start = std::clamp(v, 0, 32767); break;
    case 30: l.pn.face = m_font.fonts.value(v).name; break;
    default: break;
    }
}

// An old list's words end: the paragraph they stand in is in that list
// (the same list as the paragraph before when the words are the same).
void Reader::endPn()
{
    ListState &l = m_list;
    l.pnDepth = 0;
    if (l.pnLevel == -1 || m_stack.empty()) // goes on below an item, with no marker: Qt has no such item
        return;
    ListLevelDef &level = l.pn;
    QString text = l.pnBefore.left(32);
    if (level.nfc == 23) {
        if (text.isEmpty())
            text = QString(QChar(0x2022));
        text.truncate(1);
    } else {
        text += QChar(0) + l.pnAfter.left(32);
    }
    level.text = QChar(char16_t(text.size())) + text;
    ListDef def;
    def.legacy = true;
    def.levels = {level};
    if (l.legacy.empty() || !(l.legacy.back() == def)) {
        if (l.legacy.size() >= size_t(kMaxLists))
            l.legacy.pop_back();
        l.legacy.push_back(def);
    }
    m_stack.back().par.pn = int(l.legacy.size());
}

// A group inside the list tables, or an old list's words, ends.
void Reader::listGroupEnd()
{
    ListState &l = m_list;
    const size_t depth = m_stack.size();
    if (m_st.dest == Dest::LevelText && depth == l.textDepth) {
        l.text.flush();
        const QString t = l.text.toString();
        if (l.textKind == 1) {
            l.pnBefore = t;
        } else if (l.textKind == 2) {
            l.pnAfter = t;
        } else if (ListLevelDef *level = l.openLevel()) {
            // Its first character is its length; a ';' and more may follow.
            const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
            QString &text = level->text;
            text = t.left(std::min<qsizetype>(len + 1, 64));
            if (text.size() > 1) // the length of what there is
                text[0] = QChar(char16_t(text.size() - 1));
            else
                text.clear();
        }
        l.text.clear();
        l.textDepth = 0;
    } else if (m_st.dest == Dest::Pn && depth == l.pnDepth) {
        endPn();
    } else if (depth == l.levelDepth) {
        l.levelDepth = 0;
    } else if (depth == l.pictureDepth) {
        l.pictureDepth = 0;
        resolveListPictures();
    } else if (depth == l.listDepth) {
        l.listDepth = 0;
    } else if (depth == l.lfoDepth) {
        l.lfoDepth = 0;
    } else if (depth == l.overrideDepth) {
        while (!l.overrideStart.isEmpty() && l.overrideStart.last() < 0)
            l.overrideStart.removeLast();
        if (l.overrideLs > 0 && l.overrides.size() < kMaxLists)
            l.overrides.insert(l.overrideLs, ListOverride{l.overrideId, l.overrideStart});
        l.overrideDepth = 0;
    }
}

void Reader::listValue(Kw id, int v)
{
    ListState &l = m_list;
    const bool inTable = m_st.dest == Dest::ListTable;
    ListLevelDef *level = inTable && l.levelDepth ? l.openLevel() : nullptr;
    switch (id) {
    case Kw::ListId:
        if (inTable && l.overrideDepth)
            l.overrideId = v;
        else if (inTable && l.listDepth && !l.byId.contains(v))
            l.byId.insert(v, int(l.lists.size()) - 1);
        break;
    case Kw::LevelNfc:
        if (level)
            level->nfc = std::clamp(v, 0, 255);
        break;
    case Kw::LevelStartAt:
        if (inTable && l.lfoDepth && l.lfoStart) {
            while (l.overrideStart.size() <= l.lfoLevel)
                l.overrideStart.append(-1);
            l.overrideStart[l.lfoLevel] = std::clamp(v, 0, 32767);
        } else if (level) {
            level->start = std::clamp(v, 0, 32767);
        }
        break;
    case Kw::Ls:
        if (inTable && l.overrideDepth)
            l.overrideLs = v;
        else if (!inTable)
            m_st.par.ls = std::max(0, v);
        break;
    default:
        m_st.par.ilvl = std::clamp(v, 0, 8);
        break;
    }
}

// A word inside the list tables or an old list's words.
void Reader::listWord(const Token &t, const Keyword *k, bool star)
{
    ListState &l = m_list;
    const int v = t.hasParam ? t.param : 0;
    if (l.pictureDepth && m_stack.size() == l.pictureDepth + 1)
        return listPicture(t, star);
    if (k && k->type == KwType::Destination) {
        if (k->id == Kw::List && k->ch)
            return listPicture(t, star);
        switch (k->id) {
        case Kw::List:
        case Kw::ListLevel:
        case Kw::LevelText:
        case Kw::ListOverride:
        case Kw::LfoLevel: return listDestination(k->id);
        case Kw::PnText:
            if (m_st.dest == Dest::Pn)
                return pnWord(k, v);
            return skipDestination();
        default: return skipDestination();
        }
    }
    if (star) // an ignorable destination we do not know
        return skipDestination();
    if (k && k->id == Kw::Bin) {
        m_tok.takeBytes(v);
        return;
    }
    if (m_st.dest == Dest::Pn) {
        if (k)
            pnWord(k, v);
        return;
    }
    ListLevelDef *level = l.levelDepth ? l.openLevel() : nullptr;
    switch (k ? k->id : Kw::Skip) {
    case Kw::ListId:
    case Kw::LevelNfc:
    case Kw::LevelStartAt:
    case Kw::Ls: return listValue(k->id, v);
    case Kw::ListWord:
        if (k->ch == 3)
            l.lfoStart = true;
        else if (level && k->ch == 1)
            level->follow = std::clamp(v, 0, 2);
        else if (level && (k->ch == 4 || k->ch == 5))
            (k->ch == 4 ? level->legal : level->noRestart) = !t.hasParam || t.param != 0;
        else if (level && k->ch == 6 && v >= 0 && v < l.pictures.size())
            level->picture = l.pictures[v];
        else if (level && k->ch == 6 && l.pictureRefs.size() < size_t(kMaxLists) * 9) // pictures come later
            l.pictureRefs.push_back({int(l.lists.size()) - 1, l.level, v});
        return; // \jclisttab: its \tx is the level's tab
    case Kw::F:
        if (level)
            level->face = m_font.fonts.value(v).name;
        return;
    case Kw::Fi: if (level) level->fi = v; return;
    case Kw::Li: if (level) level->li = v; return;
    case Kw::Tx: if (level) level->tab = std::max(0, v); return;
    case Kw::Ilvl:
    case Kw::U:
    case Kw::Uc: return;
    default: break;
    }
    const size_t depth = m_stack.size();
    if (level && k && depth == l.levelDepth && levelLookWord(*level, *k, t))
        return;
    // Anything else is kept as read, by the level or the list it stands in.
    QByteArray *words = level ? (depth == l.levelDepth ? &level->words : nullptr)
                      : l.listDepth == depth ? &l.lists.back().words
                                             : nullptr;
    if (!words || words->size() >= kMaxKeptWords)
        return;
    *words += '\\' + QByteArray(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        *words += QByteArray::number(t.param);
}

// A character word of a level: its marker's look, kept typed (a colour as
// the colour, not as its place in this file's table).
bool Reader::levelLookWord(ListLevelDef &level, const Keyword &k, const Token &t)
{
    switch (k.id) {
    case Kw::B: case Kw::I: case Kw::Ul: case Kw::UlNone: case Kw::Strike: case Kw::V: case Kw::Caps:
    case Kw::Scaps: case Kw::Fs: case Kw::Up: case Kw::Dn: case Kw::Sub: case Kw::Super: case Kw::NoSuperSub:
    case Kw::Expnd: case Kw::Expndtw: case Kw::CharScaleX: case Kw::CharKeep: case Kw::Cf: case Kw::Cb:
    case Kw::Highlight: break;
    default: return false;
    }
    if (level.look.words.size() >= 32)
        return true;
    const QByteArray name(t.text.data(), qsizetype(t.text.size()));
    KeptWord w{name, t.hasParam ? t.param : 0, t.hasParam ? KeptWord::Number : KeptWord::Flag};
    if (k.id == Kw::Cf || k.id == Kw::Cb || k.id == Kw::Highlight || (k.id == Kw::CharKeep && (k.ch & kKeepColor))) {
        const QColor c = color(t.hasParam ? t.param : 0);
        w = {name, c.isValid() ? int(c.rgba()) : 0, KeptWord::Color};
    }
    level.look.set(w);
    return true;
}

// {\*\listpicture} holds the pictures of picture bullets, each group in
// it ({\pict}, {\*\shppict}) one picture, kept as read.
void Reader::listPicture(const Token &t, bool star)
{
    ListState &l = m_list;
    if (!l.pictureDepth) {
        if (m_st.dest != Dest::ListTable || l.listDepth || l.overrideDepth)
            return skipDestination();
        l.pictureDepth = m_stack.size();
        return;
    }
    QByteArray body;
    if (!skipGroupKeeping(body))
        return;
    if (l.pictures.size() < kMaxLists)
        l.pictures.append(QByteArray(star ? "{\\*\\" : "{\\") + QByteArray(t.text.data(), qsizetype(t.text.size()))
                          + QByteArray(t.hasParam ? QByteArray::number(t.param) : QByteArray())
                          + QByteArray(body.startsWith('\\') || body.startsWith('{') ? "" : " ") + body);
}

// Levels read before the pictures get theirs.
void Reader::resolveListPictures()
{
    ListState &l = m_list;
    std::erase_if(l.pictureRefs, [&l](const std::array<int, 3> &r) {
        if (r[2] < 0 || r[2] >= l.pictures.size())
            return false;
        QList<ListLevelDef> &levels = l.lists[size_t(r[0])].levels;
        if (r[1] >= 0 && r[1] < levels.size())
            levels[r[1]].picture = l.pictures[r[2]];
        return true;
    });
}

// Old writers put a list's label first and its \pn words after it: such a
// label is drawn by the list.
bool Reader::labelOfList() const
{
    const std::string_view ahead(m_tok.position(), std::min<size_t>(m_tok.remaining(), 4096));
    for (size_t i = ahead.find('\\'); i != std::string_view::npos; i = ahead.find('\\', i + 1)) {
        const std::string_view w = ahead.substr(i + 1);
        const auto is = [&w](std::string_view name) {
            return w.substr(0, name.size()) == name
                && (w.size() == name.size() || !std::isalpha(static_cast<unsigned char>(w[name.size()])));
        };
        if (is("pn"))
            return true;
        if (is("par"))
            return false;
    }
    return false;
}

const ListDef *Reader::listOf(const ParState &p, int *key) const
{
    const ListDef *def = nullptr;
    if (p.ls > 0 && m_list.any) {
        *key = p.ls;
        auto o = m_list.overrides.constFind(p.ls);
        if (o != m_list.overrides.constEnd()) {
            auto i = m_list.byId.constFind(o->list);
            if (i != m_list.byId.constEnd())
                def = &m_list.lists[size_t(*i)];
        }
    } else if (p.pn > 0 && size_t(p.pn) <= m_list.legacy.size()) {
        *key = -p.pn;
        def = &m_list.legacy[size_t(p.pn - 1)];
    }
    return def && !def->levels.isEmpty() ? def : nullptr;
}

const ListLevelDef *Reader::listLevel(const ParState &p) const
{
    int key = 0;
    const ListDef *def = listOf(p, &key);
    return def ? &def->levels[std::min<qsizetype>(p.ilvl, def->levels.size() - 1)] : nullptr;
}

QTextListFormat Reader::listFormat(const ListDef &def, int level, int key, const std::array<int, 9> &numbers) const
{
    const ListLevelDef &lv = def.levels[level];
    QTextListFormat f;
    f.setIndent(0); // the paragraph's own indents place it
    f.setStyle(levelStyle(lv));
    if (numbers[level] != 1) // Qt counts from 1; kept for the writer and the text
        f.setProperty(kListStart, numbers[level]);
    f.setProperty(kListFirstIndent, lv.fi);
    f.setProperty(kListDef, QVariant::fromValue(def));
    f.setProperty(kListOverride, key);
    f.setProperty(kListLevel, level);
    if (lv.nfc == 23 || lv.nfc == 255) {
        f.setProperty(kListBullet, levelMarker(lv, def, numbers));
        return f;
    }
    // Qt draws the number between a prefix and a suffix: the numbers of
    // the levels above go in the prefix ("2." of "2.1."), which holds for
    // this run of items.
    const QString &t = lv.text;
    const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
    const qsizetype own = t.left(len + 1).lastIndexOf(QChar(char16_t(level)));
    if (own < 1) {
        f.setNumberPrefix(QString());
        f.setNumberSuffix(QStringLiteral("."));
        return f;
    }
    ListLevelDef part = lv;
    part.text = QChar(char16_t(own - 1)) + t.mid(1, own - 1);
    f.setNumberPrefix(levelMarker(part, def, numbers));
    part.text = QChar(char16_t(len - own)) + t.mid(own + 1, len - own);
    f.setNumberSuffix(levelMarker(part, def, numbers));
    return f;
}

// The current paragraph joins the list its \ls and \ilvl (or its \pn) name.
void Reader::joinList()
{
    int key = 0;
    const ListDef *found = listOf(m_st.par, &key);
    if (!found)
        return;
    const int level = std::min<int>(m_st.par.ilvl, int(found->levels.size()) - 1);
    const int fi = m_st.par.fi, li = m_st.par.li;
    const bool pnWords = m_st.par.pn != 0;
    // Where the paragraph is: in a table, only once the table is made.
    m_out.call([this, key, level, fi, li, pnWords](QTextCursor &cursor, QTextTable *) {
        const qint64 at = qint64(key) * 16 + level;
        QTextList *list = m_list.made.value(at);
        if (list && list->document() == m_doc) {
            if (cursor.block().textList() == list)
                return;
            list->add(cursor.block());
            ++m_list.numbers[key][level];
        } else {
            ListDef def = key > 0 ? m_list.lists[size_t(m_list.byId.value(m_list.overrides.value(key).list))]
                                  : m_list.legacy[size_t(-key - 1)];
            if (def.legacy) { // an old list's indents are its paragraphs'
                def.levels[0].fi = fi;
                def.levels[0].li = li;
            } else {
                def.overrideStart = m_list.overrides.value(key).start;
                def.legacy = pnWords;
            }
            const auto startOf = [&def](int i) {
                if (i < def.overrideStart.size() && def.overrideStart[i] >= 0)
                    return def.overrideStart[i];
                return i < def.levels.size() ? def.levels[i].start : 1;
            };
            auto numbers = m_list.numbers.find(key);
            if (numbers == m_list.numbers.end()) { // levels above not seen yet count as their first number
                std::array<int, 9> first;
                for (int i = 0; i < 9; ++i)
                    first[i] = startOf(i);
                numbers = m_list.numbers.insert(key, first);
            }
            // A level that does not restart counts on from its last item.
            quint16 &counted = m_list.counted[key];
            const bool goesOn = def.levels[level].noRestart && (counted >> level & 1);
            (*numbers)[level] = goesOn ? (*numbers)[level] + 1 : startOf(level);
            counted |= quint16(1 << level);
            m_list.made.insert(at, cursor.createList(listFormat(def, level, key, *numbers)));
        }
        // The levels below start again under this item.
        for (int deeper = level + 1; deeper < 9; ++deeper)
            m_list.made.remove(qint64(key) * 16 + deeper);
    });
}

} // namespace rtf::detail

// The RTF reader's lists: \listtable and \listoverridetable define them,
// paragraphs join them with \ls and \ilvl, and each (list, level) becomes
// one QTextList, so numbering continues as the editor goes on.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {

void Reader::listDestination(Kw id)
{
    ListState &l = m_list;
    switch (id) {
    case Kw::ListTable:
        if (m_st.dest != Dest::Text)
            return skipDestination();
        l.any = true;
        m_st.dest = Dest::ListTable;
        break;
    case Kw::List:
        if (m_st.dest != Dest::ListTable || l.lists.size() >= 4096)
            return skipDestination();
        l.lists.emplace_back();
        l.level = -1;
        break;
    case Kw::ListLevel:
        if (m_st.dest != Dest::ListTable || l.lists.empty())
            return skipDestination();
        l.level = std::min(l.level + 1, 8);
        l.levelDepth = m_stack.size();
        l.lists.back().levels[l.level] = ListLevel();
        m_st.par.li = m_st.par.fi = 0;
        break;
    case Kw::LevelText:
        if (m_st.dest != Dest::ListTable || l.lists.empty() || l.level < 0)
            return skipDestination();
        m_st.dest = Dest::LevelText;
        l.textDepth = m_stack.size();
        l.text.clear();
        break;
    case Kw::ListOverride:
        if (m_st.dest != Dest::ListTable)
            return skipDestination();
        l.overrideDepth = m_stack.size();
        l.overrideId = l.overrideLs = 0;
        break;
    default: // \listtext, \pntext: the label of a list item
        if (m_st.dest != Dest::Text || l.any) // the list draws its own
            return skipDestination();
        break;
    }
}

// A group inside the list tables ends.
void Reader::listGroupEnd()
{
    ListState &l = m_list;
    const size_t depth = m_stack.size();
    if (m_st.dest == Dest::LevelText && depth == l.textDepth) {
        l.text.flush();
        // Its first character is its length; a ';' and more may follow.
        const QString t = l.text.toString();
        const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
        if (!l.lists.empty() && l.level >= 0)
            l.lists.back().levels[l.level].text = t.left(std::min<qsizetype>(len + 1, 64));
        l.text.clear();
        l.textDepth = 0;
    } else if (depth == l.levelDepth && !l.lists.empty() && l.level >= 0) {
        ListLevel &level = l.lists.back().levels[l.level];
        level.li = m_st.par.li;
        level.fi = m_st.par.fi;
        l.levelDepth = 0;
    } else if (depth == l.overrideDepth) {
        if (l.overrideLs > 0 && l.overrides.size() < 4096)
            l.overrides.insert(l.overrideLs, l.overrideId);
        l.overrideDepth = 0;
    }
}

void Reader::listValue(Kw id, int v)
{
    ListState &l = m_list;
    const bool inTable = m_st.dest == Dest::ListTable;
    switch (id) {
    case Kw::ListId:
        if (inTable && l.overrideDepth)
            l.overrideId = v;
        else if (inTable && !l.lists.empty())
            l.lists.back().id = v;
        break;
    case Kw::LevelNfc:
        if (inTable && !l.lists.empty() && l.level >= 0)
            l.lists.back().levels[l.level].nfc = v;
        break;
    case Kw::LevelStartAt:
        if (inTable && !l.lists.empty() && l.level >= 0)
            l.lists.back().levels[l.level].start = std::clamp(v, 0, 32767);
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

const ListLevel *Reader::listLevel(const ParState &p) const
{
    auto o = m_list.overrides.constFind(p.ls);
    if (o == m_list.overrides.constEnd())
        return nullptr;
    for (const ListDef &def : m_list.lists)
        if (def.id == *o)
            return &def.levels[std::clamp(p.ilvl, 0, 8)];
    return nullptr;
}

namespace {

QTextListFormat::Style bulletStyle(char16_t c)
{
    switch (c) {
    case u'o': case 0x25CB: case 0x25E6: case 0xF06F: return QTextListFormat::ListCircle;
    case 0x25A0: case 0x25AA: case 0xF0A7: case 0xF0A8: case 0xF06E: return QTextListFormat::ListSquare;
    default: return QTextListFormat::ListDisc;
    }
}

QTextListFormat listFormat(const ListLevel &level)
{
    QTextListFormat f;
    f.setIndent(0); // the paragraph's own indents place it
    if (level.start != 1) // Qt counts from 1; kept for the writer and the text
        f.setProperty(kListStart, level.start);
    f.setProperty(kListFirstIndent, level.fi);
    const QString &t = level.text;
    switch (level.nfc) {
    case 1: f.setStyle(QTextListFormat::ListUpperRoman); break;
    case 2: f.setStyle(QTextListFormat::ListLowerRoman); break;
    case 3: f.setStyle(QTextListFormat::ListUpperAlpha); break;
    case 4: f.setStyle(QTextListFormat::ListLowerAlpha); break;
    case 23:
    case 255: {
        const QString bullet = t.mid(1, 1);
        f.setStyle(bullet.isEmpty() ? QTextListFormat::ListDisc : bulletStyle(bullet.at(0).unicode()));
        f.setProperty(kListBullet, bullet);
        return f;
    }
    default: f.setStyle(QTextListFormat::ListDecimal); break;
    }
    // The text around the last level number: "(" and ")" of "(1)".
    qsizetype first = -1, last = -1;
    for (qsizetype i = 1; i < t.size(); ++i) {
        if (t.at(i).unicode() < 9) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (last > 0) { // "1.1." shows as the last number only
        f.setNumberPrefix(first == last ? t.mid(1, first - 1) : QString());
        f.setNumberSuffix(t.mid(last + 1));
    } else {
        f.setNumberPrefix(QString());
        f.setNumberSuffix(QStringLiteral("."));
    }
    return f;
}

} // namespace

// The current paragraph joins the list its \ls and \ilvl name.
void Reader::joinList()
{
    const ListLevel *level = listLevel(m_st.par);
    if (!level)
        return;
    const int key = (m_st.par.ls << 4) | m_st.par.ilvl;
    // Where the paragraph is: in a table, only once the table is made.
    m_out.call([this, key, format = listFormat(*level)](QTextCursor &cursor, QTextTable *) {
        QPointer<QTextList> &list = m_list.made[key];
        if (list && list->document() == m_doc) {
            if (cursor.block().textList() != list)
                list->add(cursor.block());
        } else {
            list = cursor.createList(format);
        }
    });
}

} // namespace rtf::detail

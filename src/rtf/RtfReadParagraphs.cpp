// The RTF reader's paragraph formats: indents, spacing, line spacing and
// tab stops.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {

const QTextBlockFormat &Reader::blockFormat(const ParState &p)
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
    if (p.pagebb)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (p.rtl) // otherwise the document's default: left to right, as in RTF
        f.setLayoutDirection(Qt::RightToLeft);
    const ListLevelDef *level = (p.ls > 0 || p.pn > 0) ? listLevel(p) : nullptr;
    if (const int li = (level && !p.li) ? level->li : p.li)
        f.setLeftMargin(twipsToPixels(li));
    if (p.ri)
        f.setRightMargin(twipsToPixels(p.ri));
    if (p.fi && !level) // a list item's first line is its marker's: kept on the list
        f.setTextIndent(twipsToPixels(p.fi));
    else if (level && p.ls > 0 && m_list.any && p.fi && p.fi != level->fi) // an item's own, unlike its level's
        f.setTextIndent(twipsToPixels(p.fi - level->fi));
    if (p.sb)
        f.setTopMargin(twipsToPixels(p.sb));
    if (p.sa)
        f.setBottomMargin(twipsToPixels(p.sa));
    if (p.sl > 0 && p.slmult)
        f.setLineHeight(p.sl * 100.0 / kTwipsSingleLine, QTextBlockFormat::ProportionalHeight);
    else if (p.sl > 0)
        f.setLineHeight(twipsToPixels(p.sl), QTextBlockFormat::MinimumHeight);
    else if (p.sl < 0)
        f.setLineHeight(twipsToPixels(-p.sl), QTextBlockFormat::FixedHeight);
    if (p.tabs > 0) {
        const TabSet &set = m_tab.sets[size_t(p.tabs - 1)];
        QList<QTextOption::Tab> tabs;
        QString leaders;
        bool anyLeader = false;
        for (const TabStop &t : set) {
            static constexpr QTextOption::TabType types[] = {QTextOption::LeftTab, QTextOption::RightTab,
                                                             QTextOption::CenterTab, QTextOption::DelimiterTab};
            tabs.append(QTextOption::Tab(twipsToPixels(t.pos), types[t.kind],
                                         t.kind == TabStop::Decimal ? QChar(u'.') : QChar()));
            leaders.append(QChar(kTabLeaderChars[t.leader]));
            anyLeader |= t.leader != TabStop::None;
        }
        f.setTabPositions(tabs);
        if (anyLeader) // Qt draws no leaders; kept for the writer
            f.setProperty(kTabLeaders, leaders);
    }
    if (p.style)
        f.setProperty(kParagraphStyle, p.style);
    if (p.outline >= 0)
        f.setProperty(kOutlineLevel, p.outline);
    // Outline levels 0-5 are the headings HTML has; a style's name says so too.
    if (const int heading = p.outline >= 0 ? (p.outline <= 5 ? p.outline + 1 : 0) : p.heading)
        f.setHeadingLevel(heading);
    applyKeptWords(f, p);
    // Tab stops are a list, which Qt hashes by its length (see kLookHash).
    const quint64 look = qHashMulti(0x5254, p.align, p.rtl, p.li, p.ri, p.fi, p.sb, p.sa, p.sl, p.slmult, p.tabs,
                                    p.style, p.outline, p.heading, keptHash(p.kept));
    f.setProperty(kLookHash, int(quint32(look ^ (look >> 32))));
    return f;
}

void Reader::addTabStop(int twips)
{
    ParState &p = m_st.par;
    const TabStop stop{std::clamp(twips, 0, 31680), TabStop::Kind(p.tabKind), TabStop::Leader(p.tabLeader)};
    p.tabKind = 0;
    p.tabLeader = 0;
    TabSet set = p.tabs > 0 ? m_tab.sets[size_t(p.tabs - 1)] : TabSet();
    if (set.size() >= size_t(kMaxTabStops))
        return;
    // Stops stay sorted by position; a second stop at a place replaces the first.
    auto at = std::find_if(set.begin(), set.end(), [&](const TabStop &t) { return t.pos >= stop.pos; });
    if (at != set.end() && at->pos == stop.pos)
        *at = stop;
    else
        set.insert(at, stop);
    const QByteArray key(reinterpret_cast<const char *>(set.data()), qsizetype(set.size() * sizeof(TabStop)));
    auto found = m_tab.index.constFind(key);
    if (found != m_tab.index.constEnd()) {
        p.tabs = *found;
        return;
    }
    if (m_tab.sets.size() >= size_t(kMaxTabSets))
        return;
    m_tab.sets.push_back(std::move(set));
    p.tabs = int(m_tab.sets.size());
    m_tab.index.insert(key, p.tabs);
}

} // namespace rtf::detail

// The RTF reader's tables: rows and cells (nested ones too) as QTextTables.

#include "rtf/RtfReaderImpl.h"


namespace rtf::detail {

int Reader::contentLevel() const
{
    int level = m_st.par.intbl ? std::max(1, m_st.par.itap) : m_st.par.itap;
    if (level == 0 && m_table.rowOpen) // writers that forget \intbl after \trowd
        level = 1;
    return std::min(level, kMaxTableNesting);
}

// False when there is no room left for another table.
bool Reader::openTable()
{
    const int cols = (m_table.tables.empty() && !m_table.cellx.empty()) ? int(m_table.cellx.size()) : 1;
    if (m_sh.cellBudget < kTableCost + cols)
        return false;
    m_sh.cellBudget -= kTableCost + cols;
    QTextTableFormat f;
    f.setBorder(1);
    f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    f.setCellSpacing(0);
    f.setCellPadding(3);
    m_pendingPar = false; // the table itself separates it from the text before
    m_out.openTable(f, cols);
    TableCtx t;
    t.cols = cols;
    m_table.tables.push_back(t);
    enteredFreshBlock();
    return true;
}

void Reader::closeTable()
{
    m_table.tables.pop_back();
    m_out.closeTable();
    enteredFreshBlock();
}

void Reader::moveToCell(TableCtx &t)
{
    t.needMove = false;
    int row = t.row, col = std::min(t.col, kMaxTableColumns - 1);
    // Cells are counted here and made when the table is (see RtfOutput.h).
    const qint64 extraRows = std::max(0, row - t.rows + 1);
    const qint64 extraCols = std::max(0, col - t.cols + 1);
    const qint64 cost = extraRows * (t.cols + extraCols) + extraCols * t.rows;
    if (col != t.col || cost > m_sh.cellBudget) {
        // Out of room: keep the text, in order, at the end of the last cell.
        row = std::min(row, t.rows - 1);
        col = std::min(col, t.cols - 1);
        m_out.moveToCellEnd(row, col);
        m_pendingPar = true;
        m_blockFormatted = false;
        return;
    }
    m_sh.cellBudget -= cost;
    t.rows += int(extraRows);
    t.cols += int(extraCols);
    m_out.moveToCell(row, col);
    enteredFreshBlock();
}

void Reader::endCell(int level)
{
    if (m_st.dest != Dest::Text || m_st.hidden)
        return;
    flushText();
    level = std::min(level, kMaxTableNesting);
    if (m_pendingPar && int(m_table.tables.size()) == level && !m_table.tables.back().needMove) {
        // "text\par\cell" (pandoc): the \par already ended the cell's last
        // paragraph; \cell adds no empty one after it.
        m_pendingPar = false;
    } else {
        ensurePosition(level);
        finishBlock();
    }
    if (int(m_table.tables.size()) < level) { // a table there was no room for
        m_pendingPar = true;
        return;
    }
    TableCtx &t = m_table.tables.back();
    ++t.col;
    t.needMove = true;
}

void Reader::endRow(int level)
{
    if ((m_st.dest != Dest::Text && m_st.dest != Dest::TableProps) || m_st.hidden)
        return;
    flushText();
    level = std::min(level, kMaxTableNesting);
    if (level == 1)
        m_table.rowOpen = false;
    if (int(m_table.tables.size()) < level)
        return;
    while (int(m_table.tables.size()) > level)
        closeTable();
    TableCtx &t = m_table.tables.back();
    ++t.row;
    t.col = 0;
    t.needMove = true;
}

} // namespace rtf::detail

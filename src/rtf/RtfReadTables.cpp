// The RTF reader's tables: rows and cells (nested ones too) as QTextTables.

#include "rtf/RtfReaderImpl.h"

#include <QTextTable>

namespace rtf::detail {

int Reader::contentLevel() const
{
    int level = m_st.par.intbl ? std::max(1, m_st.par.itap) : m_st.par.itap;
    if (level == 0 && m_table.rowOpen) // writers that forget \intbl after \trowd
        level = 1;
    return std::min(level, kMaxTableNesting);
}

void Reader::openTable()
{
    const int cols = (m_table.tables.empty() && !m_table.cellx.empty()) ? int(m_table.cellx.size()) : 1;
    QTextTableFormat f;
    f.setBorder(1);
    f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    f.setCellSpacing(0);
    f.setCellPadding(3);
    m_pendingPar = false; // the table itself separates it from the text before
    QTextTable *t = m_cursor.insertTable(1, cols, f);
    m_sh.cellBudget -= cols;
    m_table.tables.push_back({t, 0, 0, false});
    enteredFreshBlock();
}

void Reader::closeTable()
{
    QTextTable *t = m_table.tables.back().table;
    const int used = m_table.tables.back().usedRows;
    m_table.tables.pop_back();
    if (t->rows() > used)
        t->removeRows(used, t->rows() - used);
    m_cursor.setPosition(t->lastPosition() + 1);
    enteredFreshBlock();
}

void Reader::moveToCell(TableCtx &t)
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
        const qint64 affordable = m_sh.cellBudget / std::max(cols, col + 1);
        if (extraRows > affordable)
            extraRows = std::max<qint64>(row - rows + 1, affordable);
    }
    const qint64 extraCols = col >= cols ? col - cols + 1 : 0;
    const qint64 cost = extraRows * std::max<qint64>(cols, col + 1) + extraCols * (rows + extraRows);
    if (col != t.col || cost > m_sh.cellBudget) {
        // Out of room: keep the text, in order, at the end of the last cell.
        row = std::min(row, t.usedRows - 1);
        col = std::min(col, cols - 1);
        m_cursor.setPosition(table->cellAt(row, col).lastPosition());
        m_pendingPar = true;
        m_blockFormatted = false;
        return;
    }
    m_sh.cellBudget -= cost;
    if (extraRows)
        table->appendRows(int(extraRows));
    if (extraCols)
        table->appendColumns(int(extraCols));
    t.usedRows = std::max(t.usedRows, row + 1);
    m_cursor.setPosition(table->cellAt(row, col).firstPosition());
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

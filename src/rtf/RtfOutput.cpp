// The RTF reader's output: straight into the document, or kept as steps
// while a table is open (see RtfOutput.h).

#include "rtf/RtfOutput.h"

#include <QTextTable>

namespace rtf::detail {

void Output::insertText(const QString &text, const QTextCharFormat &format)
{
    m_blockEmpty = false;
    if (m_open.empty()) {
        m_cursor.insertText(text, format);
        return;
    }
    m_steps.push_back({Kind::Text, int(m_charFormats.size()), 0, 0, qsizetype(m_text.size()), text.size()});
    m_text.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    m_charFormats.push_back(format);
}

void Output::insertBlock(const QTextBlockFormat &format)
{
    m_blockEmpty = true;
    if (m_open.empty()) {
        m_cursor.insertBlock(format);
        return;
    }
    m_steps.push_back({Kind::Block, int(m_blockFormats.size())});
    m_blockFormats.push_back(format);
}

void Output::setBlockFormat(const QTextBlockFormat &format)
{
    if (m_open.empty()) {
        m_cursor.setBlockFormat(format);
        return;
    }
    m_steps.push_back({Kind::BlockFormat, int(m_blockFormats.size())});
    m_blockFormats.push_back(format);
}

void Output::call(std::function<void(QTextCursor &, QTextTable *)> step)
{
    if (m_open.empty()) {
        step(m_cursor, nullptr);
        return;
    }
    m_steps.push_back({Kind::Call, int(m_calls.size())});
    m_calls.push_back(std::move(step));
    m_cell = {Kind::CloseTable}; // it may change the table (merge cells)
}

void Output::openTable(const QTextTableFormat &format, int columns)
{
    m_open.push_back(int(m_tables.size()));
    m_tables.push_back({format, 1, std::max(1, columns)});
    m_steps.push_back({Kind::OpenTable, m_open.back()});
    m_cell = {Kind::CloseTable};
}

void Output::grow(int row, int column)
{
    TableSize &t = m_tables[size_t(m_open.back())];
    t.rows = std::max(t.rows, row + 1);
    t.columns = std::max(t.columns, column + 1);
}

void Output::moveToCell(int row, int column)
{
    m_blockEmpty = true;
    grow(row, column);
    m_steps.push_back({Kind::Cell, m_open.back(), row, column});
    m_cell = m_steps.back();
}

void Output::moveToCellEnd(int row, int column)
{
    m_blockEmpty = false;
    grow(row, column); // a row may start in a place a merged cell covers
    // Content goes in at the cursor, which stays at the end of its cell:
    // a run of overflow needs one move, not one per paragraph (each costs
    // a search of the table's cells).
    if (m_cell.kind == Kind::Cell && m_cell.index == m_open.back() && m_cell.row == row && m_cell.col == column)
        return;
    m_steps.push_back({Kind::CellEnd, m_open.back(), row, column});
    m_cell = {Kind::Cell, m_open.back(), row, column};
}

void Output::closeTable()
{
    m_blockEmpty = true; // the block after the table
    m_steps.push_back({Kind::CloseTable});
    m_open.pop_back();
    m_cell = {Kind::CloseTable};
    if (m_open.empty())
        replay();
}

void Output::replay()
{
    std::vector<QTextTable *> tables;
    for (const Step &s : m_steps) {
        switch (s.kind) {
        case Kind::Text:
            m_cursor.insertText(QString::fromRawData(reinterpret_cast<const QChar *>(m_text.data() + s.at), s.size),
                                m_charFormats[size_t(s.index)]);
            break;
        case Kind::Block: m_cursor.insertBlock(m_blockFormats[size_t(s.index)]); break;
        case Kind::BlockFormat: m_cursor.setBlockFormat(m_blockFormats[size_t(s.index)]); break;
        case Kind::Call: m_calls[size_t(s.index)](m_cursor, tables.empty() ? nullptr : tables.back()); break;
        case Kind::OpenTable: {
            const TableSize &t = m_tables[size_t(s.index)];
            tables.push_back(m_cursor.insertTable(t.rows, t.columns, t.format));
            break;
        }
        case Kind::Cell:
        case Kind::CellEnd: {
            const QTextTableCell cell = tables.back()->cellAt(s.row, s.col);
            if (cell.isValid()) // always, as the table was made for these steps
                m_cursor.setPosition(s.kind == Kind::Cell ? cell.firstPosition() : cell.lastPosition());
            break;
        }
        case Kind::CloseTable:
            m_cursor.setPosition(tables.back()->lastPosition() + 1);
            tables.pop_back();
            break;
        }
    }
    m_steps = {};
    m_text = {};
    m_charFormats = {};
    m_blockFormats = {};
    m_calls = {};
    m_tables = {};
}

} // namespace rtf::detail

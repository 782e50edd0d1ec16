#pragma once
// Where the RTF reader's content goes. Outside tables it goes straight into
// the document through one cursor. Inside a table it is kept as a list of
// steps until the outermost table ends; then every table in it is made at
// once with its final rows and columns, and filled in one pass.
//
// Why: QTextTable rebuilds its whole cell grid after every change of size,
// so adding rows one at a time is quadratic, and removing rows that were
// made ahead of need is quadratic as well (each removed cell is looked up
// in, and erased from, a list of all cells). Made at their final size,
// tables cost what their cells cost.

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextTableFormat>

#include <functional>
#include <string>
#include <vector>

class QTextTable;

namespace rtf::detail {

class Output {
public:
    explicit Output(QTextCursor &cursor) : m_cursor(cursor) {}

    // The cursor, for reading where content goes; only while no table is open.
    const QTextCursor &cursor() const { return m_cursor; }
    bool inTable() const { return !m_open.empty(); }
    // No text went into the current paragraph (as far as this can tell).
    bool blockEmpty() const { return m_blockEmpty; }

    void insertText(const QString &text, const QTextCharFormat &format);
    void insertBlock(const QTextBlockFormat &format);
    void setBlockFormat(const QTextBlockFormat &format);
    // Anything else, done at the current place: now, or when the outermost
    // table is made. The table is the innermost open one (or null).
    void call(std::function<void(QTextCursor &, QTextTable *)> step);

    // Tables: open, then move to cells (each is made when first entered),
    // then close. Rows and columns are counted here.
    void openTable(const QTextTableFormat &format, int columns);
    void moveToCell(int row, int column);
    // To the end of a cell already entered (content that found no room).
    void moveToCellEnd(int row, int column);
    void closeTable();

private:
    enum class Kind : uint8_t { Text, Block, BlockFormat, Call, OpenTable, Cell, CellEnd, CloseTable };
    struct Step {
        Kind kind;
        int index = 0;      // into the formats, calls or tables
        int row = 0, col = 0;
        qsizetype at = 0;   // Text: where in m_text
        qsizetype size = 0;
    };
    struct TableSize {
        QTextTableFormat format;
        int rows = 1;
        int columns = 1;
    };

    void grow(int row, int column);
    void replay();

    QTextCursor &m_cursor;
    std::vector<int> m_open; // tables open now, into m_tables
    std::vector<Step> m_steps;
    std::u16string m_text;
    std::vector<QTextCharFormat> m_charFormats;
    std::vector<QTextBlockFormat> m_blockFormats;
    std::vector<std::function<void(QTextCursor &, QTextTable *)>> m_calls;
    std::vector<TableSize> m_tables;
    Step m_cell{Kind::CloseTable}; // the cell whose end the cursor is at, if any
    bool m_blockEmpty = true;
};

} // namespace rtf::detail

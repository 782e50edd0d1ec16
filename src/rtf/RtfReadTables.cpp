// The RTF reader's tables: rows and cells (nested ones too) as QTextTables,
// with their column widths, merged cells, borders, shading and vertical
// alignment.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {
namespace {

constexpr int kEdgeTolerance = 10; // twips: writers round cell edges differently

// Border styles by the number the keyword table gives them.
const QTextFrameFormat::BorderStyle kBorderStyles[] = {
    QTextFrameFormat::BorderStyle_None,  QTextFrameFormat::BorderStyle_Solid,
    QTextFrameFormat::BorderStyle_Double, QTextFrameFormat::BorderStyle_Dotted,
    QTextFrameFormat::BorderStyle_Dashed, QTextFrameFormat::BorderStyle_Inset,
    QTextFrameFormat::BorderStyle_Outset,
};

int blockCount(const QTextTableCell &cell)
{
    int n = 0;
    for (auto it = cell.begin(); !it.atEnd(); ++it)
        ++n;
    return n;
}

// A cell that needs no format of its own: the table draws its borders.
bool plainCell(const CellDef &def, const CellBorder &grid)
{
    if (def.valign || def.bg >= 0 || def.shading > 0)
        return false;
    for (const CellBorder &b : def.border)
        if (!(b == grid) && !(b.style < 0 && grid.style < 0))
            return false;
    return true;
}

// The one border all sides of all cells of a row have, if they have one:
// the usual grid, which the table draws (far cheaper than each cell).
CellBorder gridBorder(const std::vector<CellDef> &cells)
{
    if (cells.empty() || cells.front().border[0].style <= 0)
        return {};
    const CellBorder b = cells.front().border[0];
    for (const CellDef &def : cells)
        for (const CellBorder &side : def.border)
            if (!(side == b))
                return {};
    return b;
}

} // namespace

// \trowd and the words that define its cells.
void Reader::tableWord(Kw id, char16_t arg, int v)
{
    TableState &t = m_table;
    switch (id) {
    case Kw::Trowd:
        if (m_st.dest == Dest::Text)
            t.rowOpen = true;
        t.cells.clear();
        t.pending = CellDef();
        t.side = -1;
        t.rowHeight = 0;
        t.gaph = -1;
        t.align = 0;
        break;
    case Kw::Cellx:
        if (t.cells.size() < size_t(kMaxTableColumns)) {
            t.pending.right = v;
            t.cells.push_back(t.pending);
        }
        t.pending = CellDef();
        t.side = -1;
        break;
    case Kw::ClMgf: t.pending.hmerge = 1; break;
    case Kw::ClMrg: t.pending.hmerge = 2; break;
    case Kw::ClVmgf: t.pending.vmerge = 1; break;
    case Kw::ClVmrg: t.pending.vmerge = 2; break;
    case Kw::ClVertalT: t.pending.valign = 0; break;
    case Kw::ClVertalC: t.pending.valign = 1; break;
    case Kw::ClVertalB: t.pending.valign = 2; break;
    case Kw::ClCbpat: t.pending.bg = v > 0 ? v : -1; break;
    case Kw::ClShdng: t.pending.shading = std::clamp(v, 0, 10000); break;
    case Kw::ClBrdr: t.side = arg & 3; break;
    case Kw::BrdrOther: t.side = -1; break; // paragraph and row borders: not kept
    case Kw::BrdrStyle:
        if (t.side >= 0)
            t.pending.border[t.side].style = int8_t(std::min<int>(arg, 6));
        break;
    case Kw::BrdrW:
        if (t.side >= 0)
            t.pending.border[t.side].width = std::clamp(v, 0, 1440);
        break;
    case Kw::BrdrCf:
        if (t.side >= 0)
            t.pending.border[t.side].color = v;
        break;
    case Kw::Trrh: t.rowHeight = std::clamp(v, -31680, 31680); break;
    case Kw::Trgaph: t.gaph = std::clamp(v, 0, 1440); break;
    case Kw::TrAlign: t.align = uint8_t(arg); break;
    default: break;
    }
}

// The columns of a table are the cell edges of all its rows: a row with
// fewer, wider cells spans columns. Reads ahead to the table's end (within
// a budget for the whole file, so many tables stay linear).
std::vector<int> Reader::scanColumnEdges()
{
    std::vector<int> edges;
    for (const CellDef &c : m_table.cells)
        edges.push_back(c.right);
    Tokenizer scan = m_tok;
    int depth = 0, skipFrom = -1;
    bool afterRow = false;
    while (m_sh.scanBudget > 0 && edges.size() < size_t(4 * kMaxTableColumns)) {
        const char *before = scan.position();
        const Token t = scan.next();
        m_sh.scanBudget -= scan.position() - before;
        if (t.type == Token::End)
            break;
        if (t.type == Token::Open) {
            ++depth;
            continue;
        }
        if (t.type == Token::Close) {
            if (--depth < skipFrom)
                skipFrom = -1;
            continue;
        }
        if (skipFrom >= 0)
            continue;
        if (t.type == Token::Text || t.type == Token::Hex) {
            if (afterRow)
                break;
            continue;
        }
        if (t.type != Token::Word)
            continue;
        if (t.text == "bin" && t.hasParam) {
            scan.takeBytes(t.param);
        } else if (t.text == "nesttableprops") {
            skipFrom = depth; // a nested table's rows
        } else if (t.text == "row") {
            afterRow = true;
        } else if (t.text == "trowd") {
            afterRow = false;
        } else if (t.text == "cellx" && t.hasParam && !afterRow) {
            edges.push_back(t.param);
        } else if (afterRow && (t.text == "pard" || t.text == "par" || t.text == "sect" || t.text == "page")) {
            break;
        }
    }
    std::sort(edges.begin(), edges.end());
    std::vector<int> grid;
    for (int e : edges)
        if (grid.empty() || e - grid.back() > kEdgeTolerance)
            grid.push_back(e);
    if (grid.size() > size_t(kMaxTableColumns)) { // too many to be a layout: the first row's
        grid.clear();
        for (const CellDef &c : m_table.cells)
            grid.push_back(c.right);
    }
    return grid;
}

int Reader::contentLevel() const
{
    int level = m_st.par.intbl ? std::max(1, m_st.par.itap) : m_st.par.itap;
    if (level == 0 && m_table.rowOpen) // writers that forget \intbl after \trowd
        level = 1;
    return std::min(level, kMaxTableNesting);
}

void Reader::openTable()
{
    const bool outer = m_table.tables.empty();
    const std::vector<int> edges = outer ? scanColumnEdges() : std::vector<int>();
    const int cols = std::max<int>(1, int(edges.size()));
    QTextTableFormat f;
    // Borders come from the cells, only where the document has them; a
    // full grid is drawn by the table.
    const CellBorder grid = outer ? gridBorder(m_table.cells) : CellBorder();
    if (grid.style > 0) {
        f.setBorder(std::max(1.0, twipsToPixels(grid.width > 0 ? grid.width : 15)));
        f.setBorderStyle(kBorderStyles[grid.style]);
        const QColor c = color(grid.color);
        f.setBorderBrush(c.isValid() ? QBrush(c) : QBrush(Qt::black));
    } else {
        f.setBorder(0);
        f.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    }
    f.setBorderCollapse(true);
    f.setCellSpacing(0);
    f.setCellPadding(outer && m_table.gaph >= 0 ? twipsToPixels(m_table.gaph) : 3);
    if (outer && m_table.align == 1)
        f.setAlignment(Qt::AlignHCenter);
    else if (outer && m_table.align == 2)
        f.setAlignment(Qt::AlignRight);
    if (!edges.empty() && edges.front() > 0) {
        QList<QTextLength> widths;
        int left = 0;
        for (int e : edges) {
            widths.append(QTextLength(QTextLength::FixedLength, twipsToPixels(e - left)));
            left = e;
        }
        f.setColumnWidthConstraints(widths);
    }
    m_pendingPar = false; // the table itself separates it from the text before
    QTextTable *t = m_cursor.insertTable(1, cols, f);
    m_sh.cellBudget -= cols;
    TableCtx ctx;
    ctx.table = t;
    ctx.grid = grid;
    if (!edges.empty() && edges.front() > 0)
        ctx.edges = edges;
    ctx.needMove = true; // through moveToCell, which sets the first row up
    m_table.tables.push_back(std::move(ctx));
    enteredFreshBlock();
}

// Spans, merges and looks of the row the reader enters, from its \trowd.
void Reader::prepareRow(TableCtx &t)
{
    t.preparedRow = t.row;
    t.startCol.clear();
    QTextTable *table = t.table;
    if (m_table.tables.size() != 1 || m_table.cells.empty())
        return; // nested tables define their rows after their cells
    const int cols = table->columns();
    const std::vector<int> &edges = t.edges;
    std::vector<int> spans;
    int next = 0;
    for (const CellDef &def : m_table.cells) {
        if (next >= cols)
            break;
        int end = next;
        if (edges.size() == size_t(cols)) {
            while (end + 1 < cols && edges[size_t(end)] + kEdgeTolerance < def.right)
                ++end;
        }
        if (def.hmerge == 2 && !spans.empty()) { // \clmrg: part of the cell before
            spans.back() += end - next + 1;
            t.startCol.push_back(next);
            spans.push_back(0);
        } else {
            t.startCol.push_back(next);
            spans.push_back(end - next + 1);
        }
        next = end + 1;
    }
    const int row = t.row;
    for (size_t i = 0; i < t.startCol.size(); ++i) {
        const int col = t.startCol[i], span = spans[i];
        if (span == 0)
            continue;
        if (span > 1)
            table->mergeCells(row, col, 1, span);
        const CellDef &def = m_table.cells[i];
        if (def.vmerge == 2 && row > 0) {
            // Merged when the table is complete: QTextTable stretches a cell
            // merged down to its last row over every row appended later.
            auto run = std::find_if(t.vmerges.begin(), t.vmerges.end(), [&](const VMerge &m) {
                return m.col == col && m.span == span && m.bottom == row - 1;
            });
            if (run != t.vmerges.end()) {
                run->bottom = row;
                continue;
            }
            const QTextTableCell above = table->cellAt(row - 1, col);
            if (above.row() == row - 1 && above.column() == col && above.columnSpan() == span) {
                t.vmerges.push_back({row - 1, col, row, span});
                continue;
            }
        }
        if (plainCell(def, t.grid) && m_table.rowHeight == 0)
            continue; // most cells: nothing to set, and setting costs
        QTextTableCell cell = table->cellAt(row, col);
        cell.setFormat(cellFormat(def, t.grid));
    }
}

QTextTableCellFormat Reader::cellFormat(const CellDef &def, const CellBorder &grid) const
{
    QTextTableCellFormat f;
    const QColor bg = color(def.bg);
    if (bg.isValid()) {
        f.setBackground(bg);
    } else if (def.shading > 0) {
        const int level = 255 - 255 * def.shading / 10000;
        f.setBackground(QColor(level, level, level));
    }
    if (def.valign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    else if (def.valign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignBottom);
    for (int side = 0; side < 4; ++side) {
        const CellBorder &b = def.border[side];
        if (b == grid || (b.style < 0 && grid.style < 0))
            continue; // as the table draws it
        const double width = b.style <= 0 ? 0.0 : std::max(1.0, twipsToPixels(b.width > 0 ? b.width : 15));
        const QTextFrameFormat::BorderStyle style = kBorderStyles[std::max<int>(0, b.style)];
        const QColor c = color(b.color);
        const QBrush brush = c.isValid() ? QBrush(c) : QBrush(Qt::black);
        switch (side) {
        case 0: f.setTopBorder(width); f.setTopBorderStyle(style); f.setTopBorderBrush(brush); break;
        case 1: f.setLeftBorder(width); f.setLeftBorderStyle(style); f.setLeftBorderBrush(brush); break;
        case 2: f.setBottomBorder(width); f.setBottomBorderStyle(style); f.setBottomBorderBrush(brush); break;
        default: f.setRightBorder(width); f.setRightBorderStyle(style); f.setRightBorderBrush(brush); break;
        }
    }
    if (m_table.rowHeight) // Qt has no row heights: kept for the writer
        f.setProperty(kRowHeight, m_table.rowHeight);
    return f;
}

void Reader::closeTable()
{
    QTextTable *t = m_table.tables.back().table;
    const int used = m_table.tables.back().usedRows;
    const std::vector<VMerge> merges = std::move(m_table.tables.back().vmerges);
    m_table.tables.pop_back();
    if (t->rows() > used)
        t->removeRows(used, t->rows() - used);
    for (const VMerge &m : merges) {
        const QTextTableCell top = t->cellAt(m.top, m.col);
        if (m.bottom >= t->rows() || top.row() != m.top || top.column() != m.col || top.columnSpan() != m.span)
            continue;
        bool clean = true; // nothing else reaches into the rectangle
        for (int r = m.top; r <= m.bottom && clean; ++r)
            for (int c = m.col; c < m.col + m.span && clean; ++c) {
                const QTextTableCell x = t->cellAt(r, c);
                clean = x.row() == r && x.column() == m.col && x.rowSpan() == 1 && x.columnSpan() == m.span;
            }
        if (!clean)
            continue;
        const int blocks = blockCount(top);
        t->mergeCells(m.top, m.col, m.bottom - m.top + 1, m.span);
        // The merged-in places were empty: their empty paragraphs go.
        const QTextTableCell merged = t->cellAt(m.top, m.col);
        for (int extra = blockCount(merged) - blocks; extra > 0; --extra) {
            QTextCursor c = merged.lastCursorPosition();
            const QTextBlock before = c.block().previous();
            if (c.block().length() != 1 || !before.isValid() || QTextCursor(before).currentFrame() != c.currentFrame())
                break;
            c.deletePreviousChar();
        }
    }
    m_cursor.setPosition(t->lastPosition() + 1);
    enteredFreshBlock();
}

bool Reader::moveToCell(TableCtx &t)
{
    t.needMove = false;
    QTextTable *table = t.table;
    const int rows = table->rows();
    const int cols = table->columns();
    const int row = t.row;
    // The cell's column: from the row's definition, else one per cell.
    const bool newRow = t.preparedRow != row;
    int col = -1;
    if (!newRow && size_t(t.col) < t.startCol.size())
        col = t.startCol[size_t(t.col)];
    else if (!newRow && !t.startCol.empty())
        col = std::max(cols, int(t.startCol.back()) + 1) + (t.col - int(t.startCol.size()));
    else
        col = t.col;
    bool fits = t.col < kMaxTableColumns && col < kMaxTableColumns;
    col = std::min(col, kMaxTableColumns - 1);
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
    if (!fits || cost > m_sh.cellBudget) {
        // Out of room: keep the text, in order, at the end of the last cell.
        const int r = std::min(row, t.usedRows - 1);
        m_cursor.setPosition(table->cellAt(r, std::min(col, cols - 1)).lastPosition());
        m_pendingPar = true;
        m_blockFormatted = false;
        return true;
    }
    m_sh.cellBudget -= cost;
    if (extraRows)
        table->appendRows(int(extraRows));
    if (extraCols)
        table->appendColumns(int(extraCols));
    t.usedRows = std::max(t.usedRows, row + 1);
    if (newRow) {
        prepareRow(t);
        if (size_t(t.col) < t.startCol.size())
            col = t.startCol[size_t(t.col)];
    }
    const QTextTableCell cell = table->cellAt(row, col);
    if (cell.row() != row || cell.column() != col) {
        // A place a merged cell covers: anything here joins that cell.
        m_cursor.setPosition(cell.lastPosition());
        m_pendingPar = true;
        m_blockFormatted = false;
        return true;
    }
    m_cursor.setPosition(cell.firstPosition());
    enteredFreshBlock();
    return false;
}

void Reader::endCell(int level)
{
    if (m_st.dest != Dest::Text || m_st.hidden)
        return;
    flushHidden(); // hidden text stays in its cell
    flushText();
    level = std::min(level, kMaxTableNesting);
    if (m_pendingPar && int(m_table.tables.size()) == level && !m_table.tables.back().needMove) {
        // "text\par\cell" (pandoc): the \par already ended the cell's last
        // paragraph; \cell adds no empty one after it.
        m_pendingPar = false;
    } else if (int(m_table.tables.size()) == level && m_table.tables.back().needMove
               && moveToCell(m_table.tables.back())) {
        m_pendingPar = false; // an empty place a merged cell covers: nothing to end
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
    flushHidden();
    flushText();
    level = std::min(level, kMaxTableNesting);
    if (level == 1)
        m_table.rowOpen = false;
    if (int(m_table.tables.size()) < level)
        return;
    while (int(m_table.tables.size()) > level)
        closeTable();
    TableCtx &t = m_table.tables.back();
    if (level > 1 && !m_table.cells.empty() && t.row < t.table->rows()) {
        // A nested row's definition follows its cells: its looks and, from
        // the first row, the table's columns.
        if (t.row == 0) {
            QTextTableFormat f = t.table->format();
            if (m_table.gaph >= 0)
                f.setCellPadding(twipsToPixels(m_table.gaph));
            QList<QTextLength> widths;
            int left = 0;
            for (const CellDef &def : m_table.cells) {
                widths.append(QTextLength(QTextLength::FixedLength, twipsToPixels(std::max(1, def.right - left))));
                left = def.right;
            }
            if (widths.size() == t.table->columns())
                f.setColumnWidthConstraints(widths);
            t.table->setFormat(f);
        }
        for (int c = 0; c < t.table->columns() && size_t(c) < m_table.cells.size(); ++c) {
            QTextTableCell cell = t.table->cellAt(t.row, c);
            if (cell.row() == t.row && cell.column() == c
                && !(plainCell(m_table.cells[size_t(c)], t.grid) && m_table.rowHeight == 0))
                cell.setFormat(cellFormat(m_table.cells[size_t(c)], t.grid));
        }
    }
    ++t.row;
    t.col = 0;
    t.needMove = true;
}

} // namespace rtf::detail

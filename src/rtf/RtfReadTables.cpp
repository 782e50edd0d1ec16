// The RTF reader's tables: rows and cells (nested ones too) as QTextTables,
// with their column widths, merged cells, borders, shading and vertical
// alignment.

#include "rtf/Rtf.h"
#include "rtf/RtfReaderImpl.h"
#include "rtf/RtfTableProps.h"

#include <set>

namespace rtf::detail {
namespace {

constexpr int kEdgeTolerance = 10; // twips: writers round cell edges differently
// Rows per slice of a long table (see kTableContinues): Qt lays a slice
// out in one piece, and the first paint waits for the first slices only.
constexpr int kSliceRows = 150;

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
        t.rowProps = TableRowProps();
        break;
    case Kw::Cellx:
        if (t.cells.size() < size_t(kMaxTableColumns)) {
            t.pending.right = v;
            t.pending.props.value[TableCellProps::Right] = v;
            t.pending.props.given |= 1u << TableCellProps::Right;
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
    case Kw::ClShdng:
        t.pending.shading = std::clamp(v, 0, 10000);
        t.pending.props.value[TableCellProps::Shading] = v;
        t.pending.props.given |= 1u << TableCellProps::Shading;
        break;
    case Kw::ClBrdr: t.side = arg & 3; break;
    case Kw::BrdrOther: t.side = -1; break; // paragraph borders: not kept here
    case Kw::TrBrdr: t.side = 4 + (arg % 6); break;
    case Kw::BrdrStyle:
        if (t.side >= 4)
            t.rowProps.border[size_t(t.side - 4)].style = int8_t(std::min<int>(arg, 6));
        else if (t.side >= 0)
            t.pending.border[t.side].style = int8_t(std::min<int>(arg, 6));
        break;
    case Kw::BrdrW:
        if (t.side >= 4)
            t.rowProps.border[size_t(t.side - 4)].width = std::clamp(v, 0, 1440);
        else if (t.side >= 0)
            t.pending.props.border[size_t(t.side)] = qint16(t.pending.border[t.side].width = std::clamp(v, 0, 1440));
        break;
    case Kw::BrdrCf:
        if (t.side >= 4) {
            const QColor c = color(v);
            t.rowProps.border[size_t(t.side - 4)].color = c.isValid() ? int(c.rgb() & 0xFFFFFF) : -1;
        } else if (t.side >= 0) {
            t.pending.border[t.side].color = v;
        }
        break;
    case Kw::Trrh: t.rowHeight = std::clamp(v, -31680, 31680); break;
    case Kw::Trgaph: t.gaph = std::clamp(v, 0, 1440); break;
    case Kw::TrAlign: t.align = uint8_t(arg); break;
    default: break;
    }
}

// The row and cell words kept as read (see RtfTableProps.h).
void Reader::tableProp(int word, int v)
{
    if (m_st.dest != Dest::Text && m_st.dest != Dest::TableProps)
        return;
    const PropWord *w = propWord(word);
    if (!w)
        return;
    if (w->row)
        m_table.side = -1;
    setProp(m_table.rowProps, m_table.pending.props, word, v);
}

bool Reader::rowPropsGiven() const
{
    if (m_table.rowProps.given)
        return true;
    for (const TableBorder &b : m_table.rowProps.border)
        if (b.style >= 0)
            return true;
    return false;
}

// The columns of a table are the cell edges of all its rows: a row with
// fewer, wider cells spans columns. Reads ahead to the table's end (within
// a budget for the whole file, so many tables stay linear).
std::vector<int> Reader::scanColumnEdges()
{
    // Distinct edges only: a long table repeats the same few.
    std::set<int> edges;
    for (const CellDef &c : m_table.cells)
        edges.insert(c.right);
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
        } else if (t.text == "trowd" || t.text == "intbl") {
            afterRow = false; // "\row\pard\intbl": the next row, on the last one's definition
        } else if (t.text == "cellx" && t.hasParam && !afterRow) {
            edges.insert(t.param);
        } else if (afterRow && (t.text == "par" || t.text == "sect" || t.text == "page")) {
            break;
        }
    }
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

int Reader::nestLevel() const
{
    int level = m_st.par.intbl ? std::max(1, m_st.par.itap) : m_st.par.itap;
    if (level == 0 && m_table.rowOpen) // writers that forget \intbl after \trowd
        level = 1;
    return std::min(level, kMaxTableNesting);
}

// The level of table the content goes into as shown: deeper ones are shown
// flat in their cell at kShownTableNesting.
int Reader::contentLevel() const
{
    return std::min(nestLevel(), kShownTableNesting);
}

// The paragraph's format, with its own level when its table is shown flat.
QTextBlockFormat Reader::placedBlockFormat()
{
    const int level = nestLevel();
    if (level <= kShownTableNesting)
        return blockFormat(m_st.par);
    QTextBlockFormat f = blockFormat(m_st.par);
    f.setProperty(kNestLevel, level);
    return f;
}

void Reader::markFlatBlock(int property, const QVariant &value)
{
    m_out.call([property, value](QTextCursor &c, QTextTable *) {
        QTextBlockFormat f;
        f.setProperty(property, value);
        c.mergeBlockFormat(f);
    });
}

// The end of a cell of a table shown flat: marks the cell's last paragraph.
// Every cell ends in a paragraph of its own, empty if need be, so that the
// writer writes as many cells as were read.
void Reader::flatCellEnd(int level)
{
    const int blockLevel = m_blockPar.intbl ? std::max(1, m_blockPar.itap) : m_blockPar.itap;
    // "text\par\nestcell": the paragraph just ended is the cell's last.
    const bool ended = m_pendingPar && !m_flatMarked && m_blockFormatted && blockLevel == level;
    if (!ended) {
        ensurePosition(contentLevel());
        finishBlock();
    }
    markFlatBlock(kNestCellEnd, true);
    m_flatMarked = true;
    m_pendingPar = true;
}

// The end of a row of a table shown flat: its definition, on the row's last
// paragraph, in words the writer turns back into RTF (colours as RGB).
void Reader::flatRowEnd(int)
{
    if (!m_flatMarked) { // a row with no cell: on a paragraph of its own
        ensurePosition(contentLevel());
        finishBlock();
        m_flatMarked = true;
        m_pendingPar = true;
    }
    auto rgb = [this](int index) {
        const QColor c = color(index);
        return c.isValid() ? int(c.rgb() & 0xFFFFFF) : -1;
    };
    QStringList spec{QStringLiteral("%1 %2 %3").arg(m_table.gaph).arg(m_table.align).arg(m_table.rowHeight)};
    for (const CellDef &d : m_table.cells) {
        QString cell = QStringLiteral("%1 %2 %3 %4 %5 %6")
                           .arg(d.right).arg(d.hmerge).arg(d.vmerge).arg(d.valign).arg(rgb(d.bg)).arg(d.shading);
        for (const CellBorder &b : d.border)
            cell += QStringLiteral(" %1 %2 %3").arg(b.style).arg(b.width).arg(rgb(b.color));
        spec.append(cell);
    }
    markFlatBlock(kNestRow, spec.join(u'|'));
}


// False when there is no room left for another table.
bool Reader::openTable()
{
    const bool outer = m_table.tables.empty();
    const std::vector<int> edges = outer ? scanColumnEdges() : std::vector<int>();
    const int cols = std::max<int>(1, int(edges.size()));
    if (m_sh.cellBudget < kTableCost + cols)
        return false;
    m_sh.cellBudget -= kTableCost + cols;
    QTextTableFormat f;
    // Borders come from the cells, only where the document has them; a
    // full grid is drawn by the table.
    const CellBorder grid = outer ? gridBorder(m_table.cells) : CellBorder();
    if (grid.style > 0) {
        f.setBorder(std::max(1.0, twipsToPixels(grid.width > 0 ? grid.width : 15)));
        f.setBorderStyle(kBorderStyles[grid.style]);
        const QColor c = color(grid.color);
        f.setBorderBrush(c.isValid() ? QBrush(c) : QBrush(Qt::black));
        if (grid.width > 0)
            f.setProperty(kTableBorderTwips, grid.width);
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
    // A row indent to the right is shown; Word's usual small one to the
    // left (its cells' padding out in the margin) is not.
    const int indent = outer && m_table.rowProps.has(TableRowProps::Left)
        ? std::clamp(m_table.rowProps.value[TableRowProps::Left], 0, 31680) : 0;
    if (indent > 0)
        f.setLeftMargin(twipsToPixels(indent));
    if (!edges.empty() && edges.front() > indent) {
        QList<QTextLength> widths;
        int left = indent;
        for (int e : edges) {
            widths.append(QTextLength(QTextLength::FixedLength, twipsToPixels(e - left)));
            left = e;
        }
        f.setColumnWidthConstraints(widths);
    }
    m_pendingPar = false; // the table itself separates it from the text before
    m_out.openTable(f, cols);
    TableCtx ctx;
    if (outer)
        ctx.format = f;
    ctx.cols = cols;
    ctx.grid = grid;
    if (!edges.empty() && edges.front() > indent)
        ctx.edges = edges;
    ctx.needMove = true; // through moveToCell, which sets the first row up
    m_table.tables.push_back(std::move(ctx));
    enteredFreshBlock();
    return true;
}

// Spans, merges and looks of the row the reader enters, from its \trowd.
// The table is made later (see RtfOutput.h): which places merged cells
// cover is worked out here, and the merges and looks are done as a step
// before the row's content.
void Reader::prepareRow(TableCtx &t)
{
    const int row = t.row;
    const int cols = t.cols;
    // The row above as merges left it: per column, the column its cell
    // starts in and the cell's span.
    if (t.preparedRow == row - 1 && t.current.size() == size_t(cols))
        t.above.swap(t.current);
    else
        t.above.clear();
    t.current.resize(size_t(cols));
    for (int c = 0; c < cols; ++c)
        t.current[size_t(c)] = {c, 1};
    t.covered.assign(size_t(cols), false);
    t.preparedRow = row;
    t.startCol.clear();
    if (m_table.tables.size() != 1 || m_table.cells.empty())
        return; // nested tables define their rows after their cells
    const std::vector<int> &edges = t.edges;
    std::vector<int> spans;
    int next = 0, owner = -1;
    for (const CellDef &def : m_table.cells) {
        if (next >= cols)
            break;
        int end = next;
        if (edges.size() == size_t(cols)) {
            while (end + 1 < cols && edges[size_t(end)] + kEdgeTolerance < def.right)
                ++end;
        }
        if (def.hmerge == 2 && owner >= 0) { // \clmrg: part of the cell the merge began with
            spans[size_t(owner)] += end - next + 1;
            t.startCol.push_back(next);
            spans.push_back(0);
        } else {
            owner = int(spans.size());
            t.startCol.push_back(next);
            spans.push_back(end - next + 1);
        }
        next = end + 1;
    }
    struct CellStep {
        int col, span;
        bool vmerge;
        QTextTableCellFormat format; // invalid: none to set
    };
    std::vector<CellStep> steps;
    bool rowProps = rowPropsGiven(); // until the row's first cell of its own takes them
    for (size_t i = 0; i < t.startCol.size(); ++i) {
        const int col = t.startCol[i], span = spans[i];
        if (span == 0)
            continue;
        for (int c = col; c < col + span; ++c) {
            t.current[size_t(c)] = {col, span};
            t.covered[size_t(c)] = c != col;
        }
        CellDef &def = m_table.cells[i];
        const bool vmerge = def.vmerge == 2 && row > 0 && size_t(col) < t.above.size()
            && t.above[size_t(col)] == std::pair<int, int>(col, span);
        if (vmerge) {
            for (int c = col; c < col + span; ++c)
                t.covered[size_t(c)] = true;
        }
        // An edge the grid has is written from the grid.
        if (edges.size() == size_t(cols) && edges[size_t(col + span - 1)] == def.right)
            def.props.given &= ~(1u << TableCellProps::Right);
        const bool withRow = rowProps && !vmerge;
        rowProps = rowProps && !withRow;
        const bool plain = plainCell(def, t.grid) && m_table.rowHeight == 0 && !def.props.given && !withRow;
        if (span == 1 && !vmerge && plain)
            continue; // most cells: nothing to set, and setting costs
        steps.push_back({col, span, vmerge, plain ? QTextTableCellFormat() : cellFormat(def, t.grid, withRow)});
    }
    if (steps.empty())
        return;
    qint64 *budget = &m_sh.mergeBudget;
    m_out.call([row, steps = std::move(steps), budget](QTextCursor &, QTextTable *table) {
        const qint64 cost = qint64(table->rows()) * table->columns();
        auto affordable = [&] {
            *budget -= cost;
            return *budget >= 0;
        };
        for (const CellStep &s : steps) {
            if (s.span > 1 && affordable())
                table->mergeCells(row, s.col, 1, s.span);
            const QTextTableCell above = s.vmerge ? table->cellAt(row - 1, s.col) : QTextTableCell();
            if (s.vmerge && above.column() == s.col && above.columnSpan() == s.span && affordable()) {
                const int blocks = blockCount(above);
                table->mergeCells(above.row(), s.col, row - above.row() + 1, s.span);
                // The merged-in cell is still empty; its empty paragraph goes.
                const QTextTableCell merged = table->cellAt(row, s.col);
                if (blockCount(merged) > blocks) {
                    QTextCursor c = merged.lastCursorPosition();
                    if (c.block().length() == 1)
                        c.deletePreviousChar();
                }
                continue;
            }
            if (s.format.isValid())
                table->cellAt(row, s.col).setFormat(s.format);
        }
    });
}

QTextTableCellFormat Reader::cellFormat(const CellDef &def, const CellBorder &grid, bool withRow) const
{
    QTextTableCellFormat f;
    QColor bg = color(def.bg);
    if (!bg.isValid() && def.shading > 0) {
        const int level = 255 - 255 * def.shading / 10000;
        bg = QColor(level, level, level);
    }
    if (bg.isValid())
        f.setBackground(bg);
    if (def.props.given || def.props.border != decltype(def.props.border){}) {
        TableCellProps props = def.props;
        props.background = bg.isValid() ? int(bg.rgb() & 0xFFFFFF) : -1;
        const QColor pattern = color(def.bg);
        props.pattern = pattern.isValid() ? int(pattern.rgb() & 0xFFFFFF) : -1;
        f.setProperty(kTableCellProps, QVariant::fromValue(props));
        // Padding in twips (unit 3) is shown; Word swaps \clpadl and \clpadt,
        // and so do the files it writes, so the words are taken as it means them.
        using P = TableCellProps;
        auto pad = [&](P::Slot s, P::Slot unit) {
            return props.has(s) && props.has(unit) && props.value[unit] == 3 ? twipsToPixels(std::clamp(props.value[s], 0, 1440))
                                                                              : -1.0;
        };
        if (const double p = pad(P::PadT, P::PadUnitT); p >= 0)
            f.setLeftPadding(p);
        if (const double p = pad(P::PadL, P::PadUnitL); p >= 0)
            f.setTopPadding(p);
        if (const double p = pad(P::PadB, P::PadUnitB); p >= 0)
            f.setBottomPadding(p);
        if (const double p = pad(P::PadR, P::PadUnitR); p >= 0)
            f.setRightPadding(p);
    }
    if (withRow)
        f.setProperty(kTableRowProps, QVariant::fromValue(m_table.rowProps));
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
    m_table.tables.pop_back();
    m_out.closeTable();
    enteredFreshBlock();
}

// A long table goes on in a table of its own (see kTableContinues), made
// with the same columns and looks, at a row that no merged cell crosses.
// False when it cannot be.
bool Reader::nextSlice()
{
    const TableCtx &t = m_table.tables.back();
    if (m_table.tables.size() != 1 || t.row < kSliceRows || t.col != 0 || t.preparedRow == t.row
        || m_sh.cellBudget < kTableCost + t.cols)
        return false;
    for (const CellDef &def : m_table.cells)
        if (def.vmerge == 2)
            return false;
    QTextTableFormat f = t.format;
    f.setProperty(kTableContinues, true);
    TableCtx next;
    next.cols = t.cols;
    next.edges = t.edges;
    next.grid = t.grid;
    next.format = t.format;
    next.needMove = true;
    closeTable();
    // The block between the tables: as thin as Qt draws a line.
    QTextBlockFormat seam;
    seam.setProperty(kTableSeam, true);
    seam.setLineHeight(0, QTextBlockFormat::FixedHeight);
    m_out.setBlockFormat(seam);
    m_sh.cellBudget -= kTableCost + next.cols;
    m_out.openTable(f, next.cols);
    m_table.tables.push_back(std::move(next));
    enteredFreshBlock();
    return true;
}

bool Reader::moveToCell(TableCtx &t)
{
    if (nextSlice())
        return moveToCell(m_table.tables.back());
    t.needMove = false;
    const int row = t.row;
    // The cell's column: from the row's definition, else one per cell.
    const bool newRow = t.preparedRow != row;
    int col = -1;
    if (!newRow && size_t(t.col) < t.startCol.size())
        col = t.startCol[size_t(t.col)];
    else if (!newRow && !t.startCol.empty())
        col = std::max(t.cols, int(t.startCol.back()) + 1) + (t.col - int(t.startCol.size()));
    else
        col = t.col;
    const bool fits = t.col < kMaxTableColumns && col < kMaxTableColumns;
    col = std::min(col, kMaxTableColumns - 1);
    // Cells are counted here and made when the table is (see RtfOutput.h).
    const qint64 extraRows = std::max(0, row - t.rows + 1);
    const qint64 extraCols = std::max(0, col - t.cols + 1);
    const qint64 cost = extraRows * (t.cols + extraCols) + extraCols * t.rows;
    if (!fits || cost > m_sh.cellBudget) {
        // Out of room: keep the text, in order, at the end of the last cell.
        m_out.moveToCellEnd(std::min(row, t.rows - 1), std::min(col, t.cols - 1));
        m_pendingPar = true;
        m_blockFormatted = false;
        return true;
    }
    m_sh.cellBudget -= cost;
    t.rows += int(extraRows);
    t.cols += int(extraCols);
    if (newRow) {
        prepareRow(t);
        if (size_t(t.col) < t.startCol.size())
            col = t.startCol[size_t(t.col)];
    }
    if (size_t(col) < t.covered.size() && t.covered[size_t(col)]) {
        // A place a merged cell covers: anything here joins that cell.
        m_out.moveToCellEnd(row, col);
        m_pendingPar = true;
        m_blockFormatted = false;
        return true;
    }
    m_out.moveToCell(row, col);
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
    if (level > kShownTableNesting) {
        flatCellEnd(level);
        return;
    }
    if (m_pendingPar && int(m_table.tables.size()) == level && !m_table.tables.back().needMove) {
        // "text\par\cell" (pandoc): the \par already ended the cell's last
        // paragraph; \cell adds no empty one after it on screen.
        m_pendingPar = false;
        m_out.call([](QTextCursor &c, QTextTable *) {
            QTextBlockFormat f;
            f.setProperty(kCellTrailingPar, true);
            c.mergeBlockFormat(f);
        });
    } else if (int(m_table.tables.size()) == level && m_table.tables.back().needMove
               && moveToCell(m_table.tables.back())) {
        m_pendingPar = false; // an empty place a merged cell covers: nothing to end
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
    flushHidden();
    flushText();
    level = std::min(level, kMaxTableNesting);
    if (level > kShownTableNesting) {
        flatRowEnd(level);
        return;
    }
    if (level == 1)
        m_table.rowOpen = false;
    if (int(m_table.tables.size()) < level)
        return;
    while (int(m_table.tables.size()) > level)
        closeTable();
    TableCtx &t = m_table.tables.back();
    if (level > 1 && !m_table.cells.empty() && t.row < t.rows) {
        // A nested row's definition follows its cells: its looks and, from
        // the first row, the table's columns. Done on the table when it is
        // made, at this point of its content.
        const int row = t.row, cols = t.cols;
        QList<QTextLength> widths;
        int left = 0;
        for (const CellDef &def : m_table.cells) {
            widths.append(QTextLength(QTextLength::FixedLength, twipsToPixels(std::max(1, def.right - left))));
            left = def.right;
        }
        std::vector<QTextTableCellFormat> formats;
        for (int c = 0; c < cols && size_t(c) < m_table.cells.size(); ++c) {
            const CellDef &def = m_table.cells[size_t(c)];
            const bool withRow = c == 0 && rowPropsGiven();
            const bool plain = plainCell(def, t.grid) && m_table.rowHeight == 0 && !withRow
                && !(def.props.given & ~(1u << TableCellProps::Right)); // the grid has its edge, near enough
            formats.push_back(plain ? QTextTableCellFormat() : cellFormat(def, t.grid, withRow));
        }
        const double padding = m_table.gaph >= 0 ? twipsToPixels(m_table.gaph) : -1;
        m_out.call([=](QTextCursor &, QTextTable *table) {
            if (row == 0) {
                QTextTableFormat f = table->format();
                if (padding >= 0)
                    f.setCellPadding(padding);
                if (widths.size() == cols)
                    f.setColumnWidthConstraints(widths);
                table->setFormat(f);
            }
            for (int c = 0; c < int(formats.size()); ++c) {
                QTextTableCell cell = table->cellAt(row, c);
                if (formats[size_t(c)].isValid() && cell.row() == row && cell.column() == c)
                    cell.setFormat(formats[size_t(c)]);
            }
        });
    }
    ++t.row;
    t.col = 0;
    t.needMove = true;
}

} // namespace rtf::detail

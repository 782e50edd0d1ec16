// Tables: a row definition before each row's cells, nested tables the way
// Word writes them, long tables written from their slices, and tables
// nested too deep written as their paragraphs.

#include "rtf/RtfTableProps.h"
#include "rtf/RtfUnits.h"
#include "rtf/RtfWriterImpl.h"

#include <QTextTable>

#include <climits>

namespace rtf::writer {

namespace {

// Text width the columns of a table share when it gives no widths of its
// own: 6.5 inches, the text width of a Letter page with 1-inch margins.
constexpr int kTableTwips = 9360;
// Cell edges this close are one column edge (as the reader takes them).
constexpr int kEdgeTolerance = 10;

// A border's width as read while it is shown as read, else as shown.
int keptBorderTwips(int kept, double shownPixels, int shownTwips)
{
    return kept > 0 && qFuzzyCompare(std::max(1.0, twipsToPixels(kept)), shownPixels) ? kept : shownTwips;
}

int shownBackground(const QTextTableCellFormat &cf)
{
    const QBrush bg = cf.background();
    return bg.style() == Qt::NoBrush ? -1 : int(bg.color().rgb() & 0xFFFFFF);
}

} // namespace

bool Writer::continuesTable(QTextFrame::iterator it)
{
    ++it;
    const auto *table = qobject_cast<QTextTable *>(it.currentFrame());
    return table && table->format().boolProperty(kTableContinues);
}

// What follows a paragraph of a table shown flat: the end of its cell
// and of its row, as writeTable writes them for a nested table.
void Writer::writeFlatEnds(const QTextBlockFormat &bf)
{
    if (bf.boolProperty(kNestCellEnd)) {
        m_pendingPar = false;
        word("\\nestcell");
        m_o.forgetLook();
    }
    const QString row = bf.stringProperty(kNestRow);
    if (row.isEmpty())
        return;
    m_pendingPar = false;
    openGroup();
    rawWord("\\*\\nesttableprops");
    flatRowDefinition(row);
    word("\\nestrow");
    closeGroup();
    raw("{\\nonesttables\\par}");
    newline();
    m_o.forgetLook();
}

// A row definition kept as the reader read it: "gaph align height",
// then per cell "right hmerge vmerge valign background shading" and
// "style width colour" per side (colours as RGB, -1 none).
void Writer::flatRowDefinition(const QString &spec)
{
    const QStringList parts = spec.split(u'|');
    const QStringList head = parts.value(0).split(u' ');
    word("\\trowd");
    if (const int gaph = head.value(0).toInt(); gaph >= 0)
        word("\\trgaph", gaph);
    if (head.value(1) == u"1")
        word("\\trqc");
    else if (head.value(1) == u"2")
        word("\\trqr");
    if (const int h = head.value(2).toInt())
        word("\\trrh", h);
    static const char *const sides[] = {"\\clbrdrt", "\\clbrdrl", "\\clbrdrb", "\\clbrdrr"};
    static const char *const styles[] = {"\\brdrnone", "\\brdrs", "\\brdrdb", "\\brdrdot",
                                         "\\brdrdash", "\\brdrinset", "\\brdroutset"};
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QStringList f = parts[i].split(u' ');
        if (f.size() != 18)
            continue;
        auto v = [&f](int k) { return f[k].toInt(); };
        if (v(1) == 1)
            word("\\clmgf");
        else if (v(1) == 2)
            word("\\clmrg");
        if (v(2) == 1)
            word("\\clvmgf");
        else if (v(2) == 2)
            word("\\clvmrg");
        if (v(3) == 1)
            word("\\clvertalc");
        else if (v(3) == 2)
            word("\\clvertalb");
        if (v(4) >= 0)
            word("\\clcbpat", colorIndex(QColor::fromRgb(QRgb(v(4)))));
        if (v(5) >= 0)
            word("\\clshdng", v(5));
        for (int side = 0; side < 4; ++side) {
            const int style = v(6 + 3 * side), width = v(7 + 3 * side), color = v(8 + 3 * side);
            if (style < 0 || style > 6)
                continue;
            word(sides[side]);
            word(styles[style]);
            if (width > 0)
                word("\\brdrw", width);
            if (color >= 0)
                word("\\brdrcf", colorIndex(QColor::fromRgb(QRgb(color))));
        }
        word("\\cellx", v(0));
    }
}

void Writer::writeCellContent(const QTextTableCell &cell, int level)
{
    for (auto it = cell.begin(); !it.atEnd(); ++it)
        writeItem(it, level);
}

// Tables nested deeper than readers go: their cells' paragraphs in
// reading order, so no text is lost, without the grid.
void Writer::writeTableFlat(QTextTable *table, int level)
{
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || isContinuation(table, cell, r, c))
                continue;
            writeCellContent(cell, level);
        }
    }
}

std::vector<int> Writer::columnEdges(QTextTable *table) const
{
    const int cols = table->columns();
    const QTextTableFormat tf = table->format();
    const QList<QTextLength> cons = tf.columnWidthConstraints();

    int total = kTableTwips;
    const QTextLength tw = tf.width();
    if (tw.type() == QTextLength::FixedLength && tw.rawValue() > 0)
        total = pixelsToTwips(tw.rawValue());
    else if (tw.type() == QTextLength::PercentageLength && tw.rawValue() > 0)
        total = roundToInt(kTableTwips * tw.rawValue() / 100.0);

    std::vector<double> widths(cols, -1);
    double used = 0;
    int variable = 0;
    for (int c = 0; c < cols; ++c) {
        const QTextLength l = c < cons.size() ? cons[c] : QTextLength();
        if (l.type() == QTextLength::FixedLength && l.rawValue() > 0)
            widths[c] = l.rawValue() * kTwipsPerPixel;
        else if (l.type() == QTextLength::PercentageLength && l.rawValue() > 0)
            widths[c] = total * l.rawValue() / 100.0;
        if (widths[c] >= 0)
            used += widths[c];
        else
            ++variable;
    }
    const double share = variable ? qMax(360.0, (total - used) / variable) : 0;
    std::vector<int> edges(cols);
    double x = pixelsToTwips(tf.leftMargin());
    for (int c = 0; c < cols; ++c) {
        x += widths[c] >= 0 ? widths[c] : share;
        edges[c] = qMax(c ? edges[c - 1] + 1 : 1, roundToInt(x));
    }
    return edges;
}

// A cell's own row and column, and where it ends, each cost Qt a search
// of the table's cells that walks the document's tree at every step: a
// million cells took minutes. The grid, and one walk through the table
// in document order, say the same at no cost.
bool Writer::isContinuation(QTextTable *table, const QTextTableCell &cell, int r, int c)
{
    return (r > 0 && table->cellAt(r - 1, c) == cell) || (c > 0 && table->cellAt(r, c - 1) == cell);
}


// The cells of row r, each once (a cell spanning columns is one cell;
// a place covered by a cell from a row above is that cell again).
std::vector<Writer::RowCell> Writer::rowCells(QTextTable *table, int r)
{
    std::vector<RowCell> cells;
    const int cols = table->columns();
    for (int c = 0; c < cols;) {
        const QTextTableCell cell = table->cellAt(r, c);
        if (!cell.isValid()) {
            ++c;
            continue;
        }
        cells.push_back({cell, c, r > 0 && table->cellAt(r - 1, c) == cell});
        c += qMax(1, cell.columnSpan());
    }
    return cells;
}

// Where each cell's content starts, in document order.
std::vector<int> Writer::cellStarts(QTextTable *table)
{
    std::vector<int> starts;
    for (int r = 0; r < table->rows(); ++r)
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.isValid() && !isContinuation(table, cell, r, c))
                starts.push_back(cell.firstPosition());
        }
    return starts;
}

// \trowd and the cell definitions of one row.
void Writer::rowDefinition(QTextTable *table, int r, const std::vector<RowCell> &cells,
                           const std::vector<int> &edges)
{
    const QTextTableFormat tf = table->format();
    // Tables made in the editor have one border for all cells; tables
    // read from RTF have each cell's own.
    const bool borders = tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None;
    const int borderTwips = qBound(1, pixelsToTwips(tf.border()), 75);
    const int cols = table->columns();

    word("\\trowd");
    word("\\trgaph", tf.hasProperty(QTextFormat::TableCellPadding)
                          ? qBound(0, pixelsToTwips(tf.cellPadding()), 1440) : 108);
    const TableRowProps kept = keptRowProps(cells);
    if (!kept.has(TableRowProps::Left))
        word("\\trleft", pixelsToTwips(tf.leftMargin()));
    detail::writeRowProps(kept, [this](const detail::WordOut &w) { keptWord(w.name, w.hasValue, w.value, w.isColor); });
    if (r < tf.headerRowCount() && !kept.has(TableRowProps::Header))
        word("\\trhdr");
    const Qt::Alignment ta = tf.alignment() & Qt::AlignHorizontal_Mask;
    if (ta & Qt::AlignHCenter)
        word("\\trqc");
    else if (ta & (Qt::AlignRight | Qt::AlignTrailing))
        word("\\trqr");
    if (!cells.empty()) {
        if (const int h = cells.front().cell.format().intProperty(kRowHeight))
            word("\\trrh", h);
    }
    for (const RowCell &rc : cells) {
        const QTextTableCell &cell = rc.cell;
        const QTextTableCellFormat cf = cell.format().toTableCellFormat();
        if (rc.covered)
            word("\\clvmrg");
        else if (cell.rowSpan() > 1)
            word("\\clvmgf");
        if (cf.verticalAlignment() == QTextCharFormat::AlignMiddle)
            word("\\clvertalc");
        else if (cf.verticalAlignment() == QTextCharFormat::AlignBottom)
            word("\\clvertalb");
        cellBackground(cf);
        cellBorders(cf, borders ? &tf : nullptr, borderTwips);
        const int last = qBound(0, rc.column + cell.columnSpan() - 1, cols - 1);
        word("\\cellx", keptCellWords(cf, edges[size_t(last)]));
    }
}

// The row's words kept as read: in the format of its first cell of its own.
TableRowProps Writer::keptRowProps(const std::vector<RowCell> &cells)
{
    for (const RowCell &rc : cells)
        if (!rc.covered)
            return rc.cell.format().property(kTableRowProps).value<TableRowProps>();
    return {};
}

void Writer::keptWord(const char *name, bool hasValue, int value, bool isColor)
{
    if (isColor)
        word(name, colorIndex(QColor::fromRgb(QRgb(value))));
    else if (hasValue)
        word(name, value);
    else
        word(name);
}

// The background as shown; while it is as read, the shading it was read with.
void Writer::cellBackground(const QTextTableCellFormat &cf)
{
    const TableCellProps kept = cf.property(kTableCellProps).value<TableCellProps>();
    const QBrush bg = cf.background();
    if (kept.has(TableCellProps::Shading) && shownBackground(cf) == kept.background) {
        if (kept.pattern >= 0)
            word("\\clcbpat", colorIndex(QColor::fromRgb(QRgb(kept.pattern))));
        word("\\clshdng", kept.value[TableCellProps::Shading]);
    } else if (bg.style() != Qt::NoBrush) {
        word("\\clcbpat", colorIndex(bg.color()));
    }
}

// Writes a cell's words kept as read and returns its right edge: as read
// while the grid still puts it there (writers round edges apart), else
// the grid's.
int Writer::keptCellWords(const QTextTableCellFormat &cf, int gridEdge)
{
    const TableCellProps kept = cf.property(kTableCellProps).value<TableCellProps>();
    detail::writeCellProps(kept, [this](const detail::WordOut &w) { keptWord(w.name, w.hasValue, w.value, w.isColor); });
    const int right = kept.value[TableCellProps::Right];
    return kept.has(TableCellProps::Right) && std::abs(right - gridEdge) <= kEdgeTolerance ? right : gridEdge;
}

void Writer::borderStyle(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: word("\\brdrdb"); break;
    case QTextFrameFormat::BorderStyle_Dotted: word("\\brdrdot"); break;
    case QTextFrameFormat::BorderStyle_Dashed: word("\\brdrdash"); break;
    case QTextFrameFormat::BorderStyle_Inset: word("\\brdrinset"); break;
    case QTextFrameFormat::BorderStyle_Outset: word("\\brdroutset"); break;
    default: word("\\brdrs"); break;
    }
}

// Each side of a cell: its own border where it has one set (none is
// written as no words), else the table's, if the table has one.
void Writer::cellBorders(const QTextTableCellFormat &cf, const QTextTableFormat *table, int tableTwips)
{
    const TableCellProps kept = cf.property(kTableCellProps).value<TableCellProps>();
    if (table)
        tableTwips = keptBorderTwips(table->intProperty(kTableBorderTwips), table->border(), tableTwips);
    struct Side {
        const char *word;
        int width, style, brush;
    };
    static const Side sides[] = {
        {"\\clbrdrt", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle,
         QTextFormat::TableCellTopBorderBrush},
        {"\\clbrdrl", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle,
         QTextFormat::TableCellLeftBorderBrush},
        {"\\clbrdrb", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle,
         QTextFormat::TableCellBottomBorderBrush},
        {"\\clbrdrr", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle,
         QTextFormat::TableCellRightBorderBrush},
    };
    for (const Side &s : sides) {
        int twips = tableTwips;
        QTextFrameFormat::BorderStyle style;
        QBrush brush;
        if (cf.hasProperty(s.style)) {
            style = QTextFrameFormat::BorderStyle(cf.intProperty(s.style));
            const double width = cf.doubleProperty(s.width);
            if (width <= 0)
                continue;
            twips = qBound(1, pixelsToTwips(width), 1440);
            twips = keptBorderTwips(kept.border[size_t(&s - sides)], width, twips);
            brush = cf.brushProperty(s.brush);
        } else if (table) {
            style = table->borderStyle();
            brush = table->borderBrush();
        } else {
            continue;
        }
        if (style == QTextFrameFormat::BorderStyle_None)
            continue;
        word(s.word);
        borderStyle(style);
        word("\\brdrw", twips);
        if (brush.style() != Qt::NoBrush && brush.color() != QColor(Qt::black))
            word("\\brdrcf", colorIndex(brush.color()));
    }
}

// A table at nesting level 1 (\trowd ... \cell ... \row) or deeper (the
// cells end with \nestcell and the row definition follows them in
// \nesttableprops, as Word writes it).
void Writer::writeTable(QTextTable *table, int level)
{
    // The paragraph before the table keeps its \par: in RTF a table row
    // starts a paragraph of its own. A section that begins with the table
    // breaks before its first row, not inside its first cell.
    if (!m_openFields.empty()) // before the \par, where a reader puts a field's end
        cutFields(level, table->firstPosition(), table->lastPosition());
    if (m_pendingPar) {
        const QTextBlock first = table->firstCursorPosition().block();
        const std::optional<KeptPart> section = level == 1 ? sectionAt(first) : std::nullopt;
        if (section) {
            if (first.previous().isValid() && first.previous().length() == 1)
                word("\\par"); // an empty paragraph before the break is one, as in writeBlock
            word("\\sect");
            sectionWords(section->content);
            writeHeaders(section->headers);
            m_sectionWrittenAt = first.position();
        } else {
            word("\\par");
        }
        newline();
        m_pendingPar = false;
    }
    const std::vector<int> edges = columnEdges(table);
    const std::vector<int> starts = cellStarts(table);
    size_t next = 1; // into starts: where the cell being written ends
    QTextFrame::iterator it = table->begin();
    const bool nested = level > 1;
    for (int r = 0; r < table->rows(); ++r) {
        const std::vector<RowCell> cells = rowCells(table, r);
        if (!nested) {
            rowDefinition(table, r, cells, edges);
            newline();
        }
        for (const RowCell &rc : cells) {
            if (rc.covered) {
                // covered by the cell above: an empty paragraph
                paragraphProperties(QTextBlockFormat(), level);
            } else {
                const int end = next < starts.size() ? starts[next] : INT_MAX;
                ++next;
                for (; !it.atEnd(); ++it) {
                    const int at = it.currentFrame() ? it.currentFrame()->firstPosition() : it.currentBlock().position();
                    if (at >= end)
                        break;
                    writeItem(it, level);
                }
            }
            if (m_pendingPar && m_trailingPar)
                word("\\par"); // as read: "text\par\cell"
            m_pendingPar = false;
            if (!m_openFields.empty())
                cutFields(level);
            word(nested ? "\\nestcell" : "\\cell");
            m_o.forgetLook();
        }
        if (nested) {
            openGroup();
            rawWord("\\*\\nesttableprops");
            rowDefinition(table, r, cells, edges);
            word("\\nestrow");
            closeGroup();
            raw("{\\nonesttables\\par}");
            newline();
        } else {
            word("\\row");
            newline();
        }
    }
    m_o.forgetLook();
}

} // namespace rtf::writer

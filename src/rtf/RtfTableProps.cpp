// The table words kept as read, for reader and writer alike.

#include "rtf/RtfTableProps.h"

#include <iterator>

namespace rtf::detail {
namespace {

using R = TableRowProps;
using C = TableCellProps;
using K = PropKind;

// The writer writes a slot with the first word that names it.
constexpr PropWord kWords[] = {
    {"\\trleft", true, R::Left, K::Value, 0},
    {"\\trhdr", true, R::Header, K::Choice, 1},
    {"\\trkeep", true, R::Keep, K::Choice, 1},
    {"\\trkeepfollow", true, R::KeepFollow, K::Choice, 1},
    {"\\trautofit", true, R::AutoFit, K::Value, 0},
    {"\\tblind", true, R::Indent, K::Value, 0},
    {"\\tblindtype", true, R::IndentUnit, K::Value, 0},
    {"\\trpaddl", true, R::PadL, K::Value, 0},
    {"\\trpaddt", true, R::PadT, K::Value, 0},
    {"\\trpaddb", true, R::PadB, K::Value, 0},
    {"\\trpaddr", true, R::PadR, K::Value, 0},
    {"\\trpaddfl", true, R::PadUnitL, K::Value, 0},
    {"\\trpaddft", true, R::PadUnitT, K::Value, 0},
    {"\\trpaddfb", true, R::PadUnitB, K::Value, 0},
    {"\\trpaddfr", true, R::PadUnitR, K::Value, 0},
    {"\\trspdl", true, R::SpaceL, K::Value, 0},
    {"\\trspdt", true, R::SpaceT, K::Value, 0},
    {"\\trspdb", true, R::SpaceB, K::Value, 0},
    {"\\trspdr", true, R::SpaceR, K::Value, 0},
    {"\\trspdfl", true, R::SpaceUnitL, K::Value, 0},
    {"\\trspdft", true, R::SpaceUnitT, K::Value, 0},
    {"\\trspdfb", true, R::SpaceUnitB, K::Value, 0},
    {"\\trspdfr", true, R::SpaceUnitR, K::Value, 0},
    {"\\trwWidth", true, R::Width, K::Value, 0},
    {"\\trftsWidth", true, R::WidthUnit, K::Value, 0},
    {"\\trwWidthB", true, R::WidthBefore, K::Value, 0},
    {"\\trftsWidthB", true, R::WidthBeforeUnit, K::Value, 0},
    {"\\trwWidthA", true, R::WidthAfter, K::Value, 0},
    {"\\trftsWidthA", true, R::WidthAfterUnit, K::Value, 0},
    {"\\ts", true, R::Style, K::Value, 0},
    {"\\tbllkhdrrows", true, R::Look, K::Bit, 1 << 0},
    {"\\tbllklastrow", true, R::Look, K::Bit, 1 << 1},
    {"\\tbllkhdrcols", true, R::Look, K::Bit, 1 << 2},
    {"\\tbllklastcol", true, R::Look, K::Bit, 1 << 3},
    {"\\tbllknorowband", true, R::Look, K::Bit, 1 << 4},
    {"\\tbllknocolband", true, R::Look, K::Bit, 1 << 5},
    {"\\tbllkbestfit", true, R::Look, K::Bit, 1 << 6},
    {"\\tbllkshading", true, R::Look, K::Bit, 1 << 7},
    {"\\tbllkborder", true, R::Look, K::Bit, 1 << 8},
    {"\\tbllkfont", true, R::Look, K::Bit, 1 << 9},
    {"\\tbllkcolor", true, R::Look, K::Bit, 1 << 10},
    {"\\clpadl", false, C::PadL, K::Value, 0},
    {"\\clpadt", false, C::PadT, K::Value, 0},
    {"\\clpadb", false, C::PadB, K::Value, 0},
    {"\\clpadr", false, C::PadR, K::Value, 0},
    {"\\clpadfl", false, C::PadUnitL, K::Value, 0},
    {"\\clpadft", false, C::PadUnitT, K::Value, 0},
    {"\\clpadfb", false, C::PadUnitB, K::Value, 0},
    {"\\clpadfr", false, C::PadUnitR, K::Value, 0},
    {"\\clwWidth", false, C::Width, K::Value, 0},
    {"\\clftsWidth", false, C::WidthUnit, K::Value, 0},
    {"\\cltxlrtb", false, C::TextFlow, K::Choice, 0},
    {"\\cltxtbrl", false, C::TextFlow, K::Choice, 1},
    {"\\cltxbtlr", false, C::TextFlow, K::Choice, 2},
    {"\\cltxlrtbv", false, C::TextFlow, K::Choice, 3},
    {"\\cltxtbrlv", false, C::TextFlow, K::Choice, 4},
    {"\\clNoWrap", false, C::NoWrap, K::Choice, 1},
    {"\\clFitText", false, C::FitText, K::Choice, 1},
    {"\\clhidemark", false, C::HideMark, K::Choice, 1},
};

template<typename Props>
void set(Props &p, const PropWord &w, int param)
{
    int &v = p.value[w.slot];
    switch (w.kind) {
    case K::Value: v = param; break;
    case K::Choice: v = w.choice; break;
    case K::Bit: v = (p.has(typename Props::Slot(w.slot)) ? v : 0) | w.choice; break;
    }
    p.given |= decltype(p.given)(1) << w.slot;
}

template<typename Props>
void write(const Props &p, bool row, const WordSink &out)
{
    for (int slot = 0; slot < Props::SlotCount; ++slot) {
        if (!p.has(typename Props::Slot(slot)))
            continue;
        const int v = p.value[size_t(slot)];
        for (const PropWord &w : kWords) {
            if (w.row != row || w.slot != slot)
                continue;
            if (w.kind == K::Value) {
                out({w.name.data(), true, v});
                break;
            }
            if (w.kind == K::Choice && w.choice == v) {
                out({w.name.data(), false, 0});
                break;
            }
            if (w.kind == K::Bit && (v & w.choice))
                out({w.name.data(), false, 0});
        }
    }
}

} // namespace

const PropWord *propWord(int i)
{
    return i >= 0 && size_t(i) < std::size(kWords) ? &kWords[i] : nullptr;
}

void setProp(TableRowProps &row, TableCellProps &cell, int i, int param)
{
    const PropWord *w = propWord(i);
    if (!w)
        return;
    if (w->row)
        set(row, *w, param);
    else
        set(cell, *w, param);
}

void writeRowProps(const TableRowProps &row, const WordSink &out)
{
    write(row, true, out);
    static const char *const sides[] = {"\\trbrdrt", "\\trbrdrl", "\\trbrdrb", "\\trbrdrr", "\\trbrdrh", "\\trbrdrv"};
    static const char *const styles[] = {"\\brdrnone", "\\brdrs", "\\brdrdb", "\\brdrdot",
                                         "\\brdrdash", "\\brdrinset", "\\brdroutset"};
    for (size_t side = 0; side < row.border.size(); ++side) {
        const TableBorder &b = row.border[side];
        if (b.style < 0 || b.style > 6)
            continue;
        out({sides[side], false, 0});
        out({styles[b.style], false, 0});
        if (b.width > 0)
            out({"\\brdrw", true, b.width});
        if (b.color >= 0)
            out({"\\brdrcf", true, b.color, true});
    }
}

void writeCellProps(const TableCellProps &cell, const WordSink &out)
{
    write(cell, false, out);
}

} // namespace rtf::detail

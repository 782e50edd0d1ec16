#pragma once
// The row and cell words of tables that are kept as read (see
// TableRowProps and TableCellProps in Rtf.h): one list of them serves the
// reader, which fills the slots, and the writer, which writes them back.

#include "rtf/Rtf.h"

#include <functional>
#include <string_view>

namespace rtf::detail {

// How a word sets its slot: with its parameter, as one of several choices
// (the slot holds the choice), or as a bit of the slot.
enum class PropKind : quint8 { Value, Choice, Bit };

struct PropWord {
    std::string_view name; // without the backslash
    bool row;              // a row's word, else a cell's
    quint8 slot;
    PropKind kind;
    int choice;            // Choice: the slot's value; Bit: the bit
};

// The word at index i of the list (the keyword table's argument); null past its end.
const PropWord *propWord(int i);

// Sets the slot the word at index i fills.
void setProp(TableRowProps &row, TableCellProps &cell, int i, int param);

// The words that write the props back, in the order readers expect them:
// name (with its backslash) and value, or no value for a flag. Colours
// (of row borders) come as RGB with isColor set.
struct WordOut {
    const char *name;
    bool hasValue;
    int value;
    bool isColor = false;
};
using WordSink = std::function<void(const WordOut &)>;
void writeRowProps(const TableRowProps &row, const WordSink &out);
void writeCellProps(const TableCellProps &cell, const WordSink &out); // all but \\cellx and shading

} // namespace rtf::detail

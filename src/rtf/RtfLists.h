#pragma once
// What the reader, the writer and the plain text share about lists: how a
// kept level looks in Qt, how its markers read, and counting items in
// document order.

#include "rtf/Rtf.h"

#include <QHash>
#include <QTextListFormat>

#include <array>

class QTextList;

namespace rtf::detail {

// The byte 80-9F that c stands for in Windows-1252 (the page a level's
// text is read in and written with); 0 for none.
uint windows1252HighByte(char16_t c);

// A level's bullet as the Unicode character it means: Symbol, Wingdings (1-3)
// and Webdings bullets are those fonts' own codes (as read: a byte, or U+F0xx).
QString shownBullet(const QString &bullet, const QString &face);

// n in an RTF number format (\levelnfc); "" for none (255).
QString formatNumber(int n, int nfc);

// The look Qt can draw nearest to a level's.
QTextListFormat::Style levelStyle(const ListLevelDef &level);

// The text of a level's marker: its \leveltext with each level number
// replaced by numbers[level] (the bullet of a bullet level).
QString levelMarker(const ListLevelDef &level, const ListDef &def, const std::array<int, 9> &numbers);

// The list a QTextList was read from and its level there; false when it
// keeps none, or when its look has been changed since (then Qt's look is
// what it is).
bool keptLevel(const QTextListFormat &format, ListDef *def, int *level);

// Markers of list items taken block by block in document order: items are
// counted here (QTextList::itemNumber looks the block up in the whole list)
// and the numbers of the levels above are known ("2.1.").
class ListNumbering {
public:
    QString marker(const QTextBlock &block);

private:
    struct Seen {
        int items = 0;
        bool kept = false;
        int level = 0;
        int group = 0; // the \ls it was read with
        ListDef def;
    };
    QHash<const QTextList *, Seen> m_lists;
    QHash<int, std::array<int, 9>> m_numbers; // per \ls: the last number at each level
};

} // namespace rtf::detail

#pragma once
// The writer's lists: the \ls and \ilvl each QTextList is written with, and
// the list and override tables they name. A list that was read is written
// with its definition as read, levels the user gave another look with that
// look; a list made here becomes a simple list of one level.

#include "rtf/Rtf.h"
#include "rtf/RtfProps.h"

#include <QByteArray>
#include <QHash>

#include <functional>
#include <vector>

class QTextDocument;
class QTextList;

namespace rtf::detail {

using FontIndex = std::function<int(const QString &face)>;

class ListTableWriter {
public:
    struct Place {
        int ls = 0, level = 0;
    };
    Place place(const QTextList *list);
    bool isLegacy(const QTextList *list);
    // An old list's \pn words, for readers that know no list tables.
    QByteArray legacyWords(const QTextList *list, const FontIndex &fontIndex);
    bool isEmpty() const { return m_groups.empty(); }
    // \listtable and \listoverridetable.
    QByteArray tables(const FontIndex &fontIndex, const ColorIndex &colorIndex) const;
    // A document's lists are done with: a list of a document made later
    // may have the address one of them had.
    void forget(const QTextDocument *doc);

private:
    struct Group {
        ListDef read; // as the list keeps it, to know the other levels of it
        ListDef def;  // as written
    };
    std::vector<Group> m_groups;
    struct Placed {
        Place place;
        const QTextDocument *doc;
    };
    QHash<const QTextList *, Placed> m_places;
    QHash<int, std::vector<int>> m_byKey; // kListOverride -> groups
};

} // namespace rtf::detail

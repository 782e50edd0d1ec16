// rtf::Document: lists that stay quick when long.
//
// QTextBlockGroup keeps its blocks in a list sorted by position. On every
// block that joins or leaves, Qt's own version asks the document to redraw
// each block of the group, one by one: a position lookup per item, so n
// items cost n^2 lookups. The document merges those requests into one range
// anyway (from the first item to the end of the last), so asking once for
// the range from the changed item to the end of the list asks for the same
// thing, as far as numbering goes: items before the changed one keep their
// numbers.

#include "Rtf.h"

#include <QTextList>
#include <private/qtextdocument_p.h>
#include <private/qtextobject_p.h>

#include <algorithm>

namespace rtf {

namespace {

class QuickList : public QTextList
{
public:
    explicit QuickList(QTextDocument *doc) : QTextList(doc) {}

protected:
    void blockInserted(const QTextBlock &block) override
    {
        QList<QTextBlock> &blocks = items();
        // Reading appends: one comparison instead of a search.
        const auto at = blocks.isEmpty() || blocks.constLast() < block
                            ? blocks.end()
                            : std::lower_bound(blocks.begin(), blocks.end(), block);
        markFrom(blocks.insert(at, block) - blocks.begin());
    }

    void blockRemoved(const QTextBlock &block) override
    {
        QList<QTextBlock> &blocks = items();
        // Still in the document, so still in its place in the sorted list.
        auto at = !blocks.isEmpty() && blocks.constLast() == block
                      ? blocks.end() - 1
                      : std::lower_bound(blocks.begin(), blocks.end(), block);
        if (at == blocks.end() || *at != block)
            at = std::find(blocks.begin(), blocks.end(), block);
        if (at == blocks.end())
            return;
        const qsizetype i = blocks.erase(at) - blocks.begin();
        if (blocks.isEmpty()) {
            QTextDocumentPrivate::get(document())->deleteObject(this);
            return;
        }
        markFrom(i);
    }

private:
    QList<QTextBlock> &items()
    {
        return static_cast<QTextBlockGroupPrivate *>(QObjectPrivate::get(this))->blocks;
    }

    // The items from index i on are numbered anew.
    void markFrom(qsizetype i)
    {
        const QList<QTextBlock> &blocks = items();
        if (i >= blocks.size())
            i = blocks.size() - 1; // the last item went: it is marked where it was removed
        if (i < 0)
            return;
        const QTextBlock &last = blocks.constLast();
        const int from = blocks.at(i).position();
        QTextDocumentPrivate::get(document())->documentChange(from, last.position() + last.length() - from);
    }
};

} // namespace

Document::Document(QObject *parent) : QTextDocument(parent) {}

bool Document::quickLists()
{
    static const bool same = qstrcmp(qVersion(), QT_VERSION_STR) == 0;
    return same;
}

QTextObject *Document::createObject(const QTextFormat &format)
{
    if (format.isListFormat() && quickLists())
        return new QuickList(this);
    return QTextDocument::createObject(format);
}

} // namespace rtf

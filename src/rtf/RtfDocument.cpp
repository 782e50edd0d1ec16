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

#include <QTextFrame>
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
        blocks.insert(at, block);
        mark(block.position());
    }

    void blockRemoved(const QTextBlock &block) override
    {
        QList<QTextBlock> &blocks = items();
        // Still in the document, and still in order with the other items.
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
        if (i == blocks.size())
            return; // the last item: no other changes its number
        // When two paragraphs become one, Qt tells the list while the
        // joined paragraph already spans both, so that the positions after
        // it are ahead by the length of the second; the one before stands.
        const QTextBlock previous = block.previous();
        mark(previous.isValid() ? previous.position() : 0);
    }

private:
    QList<QTextBlock> &items()
    {
        return static_cast<QTextBlockGroupPrivate *>(QObjectPrivate::get(this))->blocks;
    }

    // The items from `from` on are numbered anew.
    void mark(int from)
    {
        const QTextBlock &last = items().constLast();
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

std::unique_ptr<Document> Document::copyOf(const QTextDocument &source)
{
    auto doc = std::make_unique<Document>();
    doc->setUndoRedoEnabled(false);
    doc->rootFrame()->setFrameFormat(source.rootFrame()->frameFormat());
    for (const auto info : {QTextDocument::DocumentTitle, QTextDocument::DocumentUrl, QTextDocument::CssMedia})
        doc->setMetaInformation(info, source.metaInformation(info));
    doc->setPageSize(source.pageSize());
    doc->setIndentWidth(source.indentWidth());
    doc->setDefaultTextOption(source.defaultTextOption());
    doc->setDefaultFont(source.defaultFont());
    doc->setDefaultStyleSheet(source.defaultStyleSheet());
    doc->setDocumentMargin(source.documentMargin());
    doc->setUseDesignMetrics(source.useDesignMetrics());
    // Through RTF, which keeps all the editor shows and keeps; Qt's own
    // copy (a QTextDocumentFragment) goes through a QTextDocument with
    // Qt's lists.
    read(write(&source), doc.get());
    doc->setUndoRedoEnabled(source.isUndoRedoEnabled());
    return doc;
}

QTextObject *Document::createObject(const QTextFormat &format)
{
    if (format.isListFormat() && quickLists())
        return new QuickList(this);
    return QTextDocument::createObject(format);
}

} // namespace rtf

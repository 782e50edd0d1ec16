// Kept parts' anchors: what they hold, how they are laid out (as nothing),
// and text without them.

#include "rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextObjectInterface>

namespace rtf {
namespace {

// Anchors take no room and draw nothing: the parts they hold are not shown.
class KeptPartLayout final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;
    QSizeF intrinsicSize(QTextDocument *, int, const QTextFormat &) override { return {0, 0}; }
    void drawObject(QPainter *, const QRectF &, QTextDocument *, int, const QTextFormat &) override {}
};

} // namespace

bool isKeptPartAnchor(const QTextFormat &format)
{
    return format.objectType() == kKeptPartObject && format.hasProperty(kKeptPart);
}

std::optional<KeptPart> keptPart(const QTextFormat &format)
{
    if (!isKeptPartAnchor(format))
        return std::nullopt;
    const QVariant v = format.property(kKeptPart);
    if (v.metaType() != QMetaType::fromType<KeptPart>())
        return std::nullopt;
    return v.value<KeptPart>();
}

void registerKeptParts(QTextDocument *doc)
{
    if (!doc || doc->findChild<KeptPartLayout *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    auto *handler = new KeptPartLayout(doc);
    // The layout is the document's child; looking for it, rather than asking
    // documentLayout(), makes none where the owner dropped it on purpose.
    auto attach = [doc, handler] {
        const auto layouts = doc->findChildren<QAbstractTextDocumentLayout *>(QString(), Qt::FindDirectChildrenOnly);
        for (QAbstractTextDocumentLayout *l : layouts)
            if (l->handlerForObject(kKeptPartObject) != handler)
                l->registerHandler(kKeptPartObject, handler);
    };
    attach();
    QObject::connect(doc, &QTextDocument::documentLayoutChanged, handler, attach);
}

QString withoutStandIns(const QTextDocument *doc, const QString &text, int from)
{
    if (!doc)
        return text;
    const int end = from + int(text.size());
    QString out;
    int done = from; // text before this position is in out
    const auto drop = [&](int p) {
        if (out.isEmpty())
            out.reserve(text.size());
        out += QStringView(text).mid(done - from, p - done);
        done = p + 1;
    };
    const bool anchors = text.contains(QChar::ObjectReplacementCharacter);
    // A block that starts at the end of the text still says whether the
    // paragraph end before it, the text's last character, is a join.
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= end; b = b.next()) {
        if (b.position() > from && joinsPrevious(b))
            drop(b.position() - 1);
        if (b.position() == end)
            break;
        // An empty paragraph between two slices of a long table, or ahead of
        // a table that opens the document: its end.
        if (b.length() == 1 && b.position() >= from
            && (b.blockFormat().hasProperty(kTableSeam)
                || (b.position() == 0 && b.blockFormat().hasProperty(kLeadingStandIn)))) {
            drop(b.position());
            continue;
        }
        if (!anchors)
            continue;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!isKeptPartAnchor(frag.charFormat()))
                continue;
            const int a = qMax(frag.position(), from);
            const int z = qMin(frag.position() + frag.length(), end);
            for (int p = a; p < z; ++p)
                if (text.at(p - from) == QChar::ObjectReplacementCharacter)
                    drop(p);
        }
    }
    if (done == from)
        return text;
    out += QStringView(text).mid(done - from);
    return out;
}

ParagraphJoin paragraphJoin(const QTextBlock &block)
{
    const QVariant v = block.blockFormat().property(kParagraphJoin);
    if (v.metaType() != QMetaType::fromType<ParagraphJoin>())
        return {};
    return v.value<ParagraphJoin>();
}

bool joinsPrevious(const QTextBlock &block)
{
    const QTextBlock prev = block.previous();
    if (!prev.isValid())
        return false;
    const int id = paragraphJoin(block).before;
    if (id == 0 || paragraphJoin(prev).after != id)
        return false;
    // Pieces are blocks of one frame; a table cell's end is never a join.
    const QTextDocument *doc = block.document();
    return doc->frameAt(prev.position()) == doc->frameAt(block.position());
}

QTextBlockFormat paragraphFormat(const QTextBlock &block)
{
    QTextBlockFormat f = block.blockFormat();
    if (!f.hasProperty(kParagraphJoin))
        return f;
    const ParagraphJoin j = paragraphJoin(block);
    const auto set = [&f](int property, double value) {
        if (value != 0)
            f.setProperty(property, value);
        else
            f.clearProperty(property);
    };
    set(QTextFormat::BlockTopMargin, j.topMargin);
    set(QTextFormat::BlockBottomMargin, j.bottomMargin);
    set(QTextFormat::TextIndent, j.textIndent);
    f.clearProperty(kParagraphJoin);
    return f;
}

} // namespace rtf

#include "RtfKeptParts.moc"

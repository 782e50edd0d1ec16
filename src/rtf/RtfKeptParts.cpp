// Kept parts' anchors: what they hold, how they are laid out (as nothing),
// and text without them.

#include "rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QTextBlock>
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
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < end; b = b.next()) {
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

} // namespace rtf

#include "RtfKeptParts.moc"

#include "shell/PictureHandler.h"

#include "picture/Metafile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace {

const char kHandlerProperty[] = "quillet.pictureHandler";

// Decoded pictures kept per document, in kilobytes: a screenful of large
// photos at screen size, not the photos at full size.
constexpr int kCacheKilobytes = 64 * 1024;

// The picture's size in pixels from its header, without decoding it.
QSize naturalSize(const QVariant &resource)
{
    if (resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>().size();
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().size();
    QByteArray bytes = resource.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

} // namespace

PictureHandler::PictureHandler(QObject *layout)
    : QObject(layout)
{
    m_cache.setMaxCost(kCacheKilobytes);
}

void PictureHandler::install(QTextDocument *doc)
{
    auto put = [doc] {
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        if (layout->property(kHandlerProperty).isValid())
            return;
        auto *handler = new PictureHandler(layout);
        layout->setProperty(kHandlerProperty, QVariant::fromValue<QObject *>(handler));
        layout->registerHandler(QTextFormat::ImageObject, handler);
    };
    put();
    if (!doc->property(kHandlerProperty).toBool()) {
        doc->setProperty(kHandlerProperty, true);
        QObject::connect(doc, &QTextDocument::documentLayoutChanged, doc, put);
    }
}

PictureHandler *PictureHandler::of(const QTextDocument *doc)
{
    const QVariant v = doc->documentLayout()->property(kHandlerProperty);
    return qobject_cast<PictureHandler *>(v.value<QObject *>());
}

QSizeF PictureHandler::intrinsicSize(QTextDocument *doc, int, const QTextFormat &format)
{
    const QTextImageFormat image = format.toImageFormat();
    QSizeF size(image.width(), image.height());
    const bool hasWidth = image.hasProperty(QTextFormat::ImageWidth);
    const bool hasHeight = image.hasProperty(QTextFormat::ImageHeight);
    if (!hasWidth || !hasHeight) {
        const QSize natural = naturalSize(doc->resource(QTextDocument::ImageResource, QUrl(image.name())));
        if (natural.isEmpty())
            return QSizeF(16, 16);
        if (!hasWidth && !hasHeight)
            size = natural;
        else if (!hasWidth)
            size.setWidth(size.height() * natural.width() / natural.height());
        else
            size.setHeight(size.width() * natural.height() / natural.width());
    }
    // As Qt's own handler: sizes are at 96 dpi, scaled to the device.
    if (QPaintDevice *device = doc->documentLayout()->paintDevice())
        size *= device->logicalDpiY() / 96.0;
    return size;
}

void PictureHandler::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int,
                                const QTextFormat &format)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (rect.size() * ratio).toSize().expandedTo(QSize(1, 1));
    const QPixmap pm = scaled(doc, format.toImageFormat().name(), pixels);
    if (pm.isNull())
        painter->fillRect(rect, Qt::lightGray);
    else
        painter->drawPixmap(rect, pm, QRectF(pm.rect()));
}

QPixmap PictureHandler::scaled(QTextDocument *doc, const QString &name, const QSize &pixels)
{
    const QString key = name + u'@' + QString::number(pixels.width()) + u'x' + QString::number(pixels.height());
    if (const QPixmap *hit = m_cache.object(key))
        return *hit;
    ++m_decodes;
    const QVariant resource = doc->resource(QTextDocument::ImageResource, QUrl(name));
    QImage image;
    if (resource.typeId() == QMetaType::QByteArray && picture::kindOf(resource.toByteArray()) != picture::Kind::Other) {
        image = picture::render(resource.toByteArray(), pixels); // metafiles, and the boxes of objects
    } else if (resource.typeId() == QMetaType::QByteArray) {
        QByteArray bytes = resource.toByteArray();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // Decoding straight to the shown size spares the full-size copy.
        reader.setScaledSize(pixels);
        image = reader.read();
    } else if (resource.typeId() == QMetaType::QImage) {
        image = resource.value<QImage>().scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else if (resource.typeId() == QMetaType::QPixmap) {
        image = resource.value<QPixmap>().toImage().scaled(pixels, Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation);
    }
    auto *pm = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *pm;
    const int kilobytes = int(qMin<qint64>(qint64(pixels.width()) * pixels.height() * 4 / 1024 + 1, INT_MAX));
    m_cache.insert(key, pm, kilobytes); // one bigger than the whole cache is drawn, not kept
    return result;
}

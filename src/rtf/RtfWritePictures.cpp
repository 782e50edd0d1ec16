// Pictures: PNG and JPEG as the bytes they came as, anything else as PNG.

#include "rtf/RtfUnits.h"
#include "rtf/RtfWriterImpl.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QUrl>

namespace rtf::writer {

// PNG and JPEG go out as the bytes they came as, never decoded: a photo
// over Qt's image size limit does not decode at all, and a decoded copy
// would not be the same file. Anything else is written as PNG.
void Writer::writeImage(const QTextImageFormat &fmt)
{
    const QVariant res = m_doc->resource(QTextDocument::ImageResource, QUrl(fmt.name()));
    QByteArray data;
    const char *blip = nullptr;
    QSize natural;
    if (res.typeId() == QMetaType::QByteArray) {
        data = res.toByteArray();
        const char *format = nullptr;
        if (data.startsWith("\x89PNG\r\n\x1a\n")) {
            blip = "\\pngblip";
            format = "png";
        } else if (data.startsWith("\xff\xd8")) {
            blip = "\\jpegblip";
            format = "jpeg";
        }
        if (format) {
            QBuffer buf(&data);
            buf.open(QIODevice::ReadOnly);
            natural = QImageReader(&buf, format).size(); // reads the header only
        }
    }
    if (!blip) {
        const QImage img = res.typeId() == QMetaType::QByteArray ? QImage::fromData(data) : res.value<QImage>();
        data.clear();
        QBuffer buf(&data);
        buf.open(QIODevice::WriteOnly);
        if (img.isNull() || !img.save(&buf, "PNG")) {
            ++m_t.picturesLeftOut; // the caller says so
            return;
        }
        blip = "\\pngblip";
        natural = img.size();
    }
    const double w = fmt.width() > 0 ? fmt.width() : natural.width();
    const double h = fmt.height() > 0 ? fmt.height() : natural.height();
    if (!natural.isValid()) // bytes whose header Qt cannot read: still kept
        natural = QSize(qMax(1, qRound(w)), qMax(1, qRound(h)));

    openGroup();
    raw("\\pict");
    word(blip);
    word("\\picw", natural.width());
    word("\\pich", natural.height());
    // pixels at 96 dpi, 15 twips each
    word("\\picwgoal", pixelsToTwips(w));
    word("\\pichgoal", pixelsToTwips(h));
    newline();
    m_o.hexData(data);
    closeGroup();
}

} // namespace rtf::writer

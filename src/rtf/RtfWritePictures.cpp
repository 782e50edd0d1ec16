// Pictures: PNG, JPEG, WMF and EMF as the bytes they came as, never
// decoded (a photo over Qt's image size limit does not decode at all, a
// decoded copy would not be the same file, and metafiles are not decoded
// here at all). A picture read from RTF keeps its own words (kKeptPicture),
// an object its whole group (kKeptObject). Anything else Qt can decode is
// written as PNG.

#include "rtf/RtfUnits.h"
#include "rtf/RtfWritePictures.h"
#include "rtf/RtfWriterImpl.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QUrl>

#include <cmath>

namespace rtf::detail {
namespace {

quint32 le32(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

} // namespace

bool isWmf(const QByteArray &d)
{
    return (d.size() >= 4 && le32(d, 0) == 0x9AC6CDD7u)
        || (d.size() >= 18 && (d[0] == 1 || d[0] == 2) && d[1] == 0 && d[2] == 9 && d[3] == 0);
}

bool isEmf(const QByteArray &d)
{
    return d.size() >= 88 && le32(d, 0) == 1 && le32(d, 40) == 0x464D4520u;
}

} // namespace rtf::detail

namespace rtf::writer {
namespace {

QByteArray number(const char *word, long long n)
{
    return word + QByteArray::number(n);
}

} // namespace

void Writer::writeImage(const QTextImageFormat &fmt)
{
    const QVariant object = fmt.property(kKeptObject);
    if (object.metaType() == QMetaType::fromType<KeptPart>()) {
        m_o.raw(object.value<KeptPart>().content.toLatin1()); // a group of its own, as read (NULs too)
        return;
    }

    const QVariant res = m_doc->resource(QTextDocument::ImageResource, QUrl(fmt.name()));
    QByteArray data = res.typeId() == QMetaType::QByteArray ? res.toByteArray() : QByteArray();
    QByteArray blip;
    QSize natural;
    const char *format = data.startsWith("\x89PNG\r\n\x1a\n") ? "png" : data.startsWith("\xff\xd8") ? "jpeg" : nullptr;
    if (format) {
        blip = format[0] == 'p' ? "\\pngblip" : "\\jpegblip";
        QBuffer buf(&data);
        buf.open(QIODevice::ReadOnly);
        natural = QImageReader(&buf, format).size(); // reads the header only
    } else if (detail::isWmf(data) || detail::isEmf(data)) {
        blip = detail::isWmf(data) ? "\\wmetafile8" : "\\emfblip";
    } else {
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

    QByteArray words;
    const QVariant keptValue = fmt.property(kKeptPicture);
    const KeptPicture kept = keptValue.metaType() == QMetaType::fromType<KeptPicture>() ? keptValue.value<KeptPicture>() : KeptPicture();
    // Its own words, while they name what the bytes are.
    if (!kept.words.isEmpty() && kept.words.contains(blip.startsWith("\\wmetafile") ? QByteArray("\\wmetafile") : blip)) {
        words = kept.words;
        if (std::abs(fmt.width() - kept.width) > 0.01 || std::abs(fmt.height() - kept.height) > 0.01) {
            // Resized: the new size as the goal, at full scale.
            static const QRegularExpression goal(QStringLiteral("\\\\(picwgoal|pichgoal|picscalex|picscaley)-?\\d+"));
            words = QString::fromLatin1(words).remove(goal).toLatin1();
            words += number("\\picwgoal", pixelsToTwips(w)) + number("\\pichgoal", pixelsToTwips(h));
        }
        static const QRegularExpression picw(QStringLiteral("\\\\picw-?\\d"));
        if (natural.isValid() && !QString::fromLatin1(words).contains(picw)) // for readers that need it
            words += number("\\picw", natural.width()) + number("\\pich", natural.height());
    } else {
        words = blip;
        if (!format && !natural.isValid()) { // a metafile: its size in hundredths of a millimetre
            words += number("\\picw", std::llround(w * 2540 / 96)) + number("\\pich", std::llround(h * 2540 / 96));
        } else {
            if (!natural.isValid()) // bytes whose header Qt cannot read: still kept
                natural = QSize(qMax(1, qRound(w)), qMax(1, qRound(h)));
            words += number("\\picw", natural.width()) + number("\\pich", natural.height());
        }
        // pixels at 96 dpi, 15 twips each
        words += number("\\picwgoal", pixelsToTwips(w)) + number("\\pichgoal", pixelsToTwips(h));
    }

    openGroup();
    raw("\\pict");
    m_o.words(words);
    newline();
    m_o.hexData(data);
    closeGroup();
}

} // namespace rtf::writer

// The RTF reader's pictures: \pict data, shown when it is PNG, JPEG, WMF or
// EMF. Metafiles are not decoded here (the editor draws them, see
// picture/Metafile.h): their size comes from the picture's words, so
// reading stays fast and never runs a metafile library.

#include "rtf/RtfReaderImpl.h"
#include "rtf/RtfWritePictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextImageFormat>
#include <QUrl>

namespace rtf::detail {

void Reader::startPicture()
{
    if (m_picture.active || m_st.dest != Dest::Text)
        return skipDestination();
    m_picture.active = true;
    m_picture.pict = Picture();
    m_picture.pict.depth = m_stack.size();
    m_st.dest = Dest::Pict;
}

void Reader::pictureHex(std::string_view s)
{
    if (m_picture.pict.kind == 3)
        return; // not shown: no need to keep its data
    for (char c : s) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            v = (c | 0x20) - 'a' + 10;
        else
            continue;
        if (m_picture.pict.nibble < 0) {
            m_picture.pict.nibble = v;
        } else {
            m_picture.pict.data.append(char(m_picture.pict.nibble * 16 + v));
            m_picture.pict.nibble = -1;
        }
    }
}

namespace {

// The largest side a picture is shown at: 22 inches, as Word allows.
constexpr double kMaxShown = 22 * 96;

// The parameter of the first \name in words; 0 when there is none.
int wordValue(const QByteArray &words, const char *name)
{
    const QByteArray key = '\\' + QByteArray(name);
    for (qsizetype at = words.indexOf(key); at >= 0; at = words.indexOf(key, at + 1)) {
        qsizetype p = at + key.size();
        if (p < words.size() && (words[p] == '-' || (words[p] >= '0' && words[p] <= '9')))
            return words.mid(p).split('\\').first().toInt();
    }
    return 0;
}

quint32 le32(const QByteArray &d, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// A metafile's size in pixels at 96 dpi from its header, when it says.
QSizeF metafileSize(const QByteArray &d, int kind)
{
    if (kind == 4 && d.size() >= 22 && le32(d, 0) == 0x9AC6CDD7u) { // placeable: a box and units per inch
        const auto v = [&](int at) { return double(qint16(le32(d, at) & 0xffff)); };
        const double inch = double(le32(d, 14) & 0xffff);
        if (inch > 0)
            return QSizeF(std::abs(v(10) - v(6)) * 96 / inch, std::abs(v(12) - v(8)) * 96 / inch);
    }
    if (kind == 5 && d.size() >= 88 && le32(d, 0) == 1 && le32(d, 40) == 0x464D4520u) { // frame in 0.01 mm
        const auto v = [&](int at) { return double(qint32(le32(d, at))); };
        return QSizeF(std::abs(v(32) - v(24)) * 96 / 2540, std::abs(v(36) - v(28)) * 96 / 2540);
    }
    return {};
}

} // namespace

// Only the picture's own properties are kept: anything else in the group
// (a destination word where none belongs, say) could change what the
// group means when written back.
void Reader::pictureWord(const Token &t, const Keyword *k)
{
    if (!m_picture.active || m_stack.size() != m_picture.pict.depth || (k && k->type == KwType::Destination)
        || m_picture.pict.words.size() > 4096)
        return;
    static constexpr std::string_view kOwn[] = {"pic", "blip", "wbm", "wmetafile", "emfblip", "pngblip", "jpegblip",
                                                "dibitmap", "wbitmap", "macpict", "pmmetafile"};
    if (std::none_of(std::begin(kOwn), std::end(kOwn), [&](std::string_view p) { return t.text.starts_with(p); }))
        return;
    m_picture.pict.words += '\\';
    m_picture.pict.words.append(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        m_picture.pict.words += QByteArray::number(t.param);
}

void Reader::finishPicture()
{
    m_picture.active = false;
    Picture pict = std::move(m_picture.pict);
    m_picture.pict = Picture();
    if (pict.kind < 1 || pict.kind == 3 || pict.data.isEmpty() || m_st.hidden)
        return;
    // A bitmap called a metafile is read as the bitmap it is, below.
    if (pict.kind >= 4 && (pict.kind == 4 ? isWmf(pict.data) : isEmf(pict.data))) {
        // \picw and \pich of a metafile are in hundredths of a millimetre.
        QSizeF natural(wordValue(pict.words, "picw") * 96.0 / 2540, wordValue(pict.words, "pich") * 96.0 / 2540);
        if (natural.width() <= 0 || natural.height() <= 0)
            natural = metafileSize(pict.data, pict.kind);
        double w = pict.wgoal > 0 ? pict.wgoal / 15.0 : natural.width();
        double h = pict.hgoal > 0 ? pict.hgoal / 15.0 : natural.height();
        if (w <= 0 || h <= 0)
            w = h = 96; // no size anywhere: an inch
        w = std::clamp(w * std::clamp(pict.scalex, 1, 1000) / 100.0, 1.0, kMaxShown);
        h = std::clamp(h * std::clamp(pict.scaley, 1, 1000) / 100.0, 1.0, kMaxShown);
        QTextImageFormat f;
        f.setWidth(w);
        f.setHeight(h);
        f.setProperty(kKeptPicture, QVariant::fromValue(KeptPicture{pict.words, w, h}));
        return insertPicture(pict.data, f);
    }
    // Trust the bytes, not the label: some writers call any bitmap a PNG.
    const char *format = pict.data.startsWith("\x89PNG") ? "png"
                       : pict.data.startsWith("\xFF\xD8") ? "jpeg" : nullptr;
    if (!format)
        return;
    QBuffer buffer(&pict.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize natural = reader.size();
    if (!natural.isValid() || natural.isEmpty())
        return;
    // Image sizes are in pixels at 96 dpi (15 twips each), as the writer expects.
    double w = pict.wgoal > 0 ? pict.wgoal / 15.0 : natural.width();
    double h = pict.hgoal > 0 ? pict.hgoal / 15.0 : natural.height();
    if (pict.scalex > 0)
        w = w * pict.scalex / 100.0;
    if (pict.scaley > 0)
        h = h * pict.scaley / 100.0;

    QTextImageFormat f;
    f.setWidth(w);
    f.setHeight(h);
    f.setProperty(kKeptPicture, QVariant::fromValue(KeptPicture{pict.words, w, h}));
    insertPicture(pict.data, f);
}

void Reader::insertPicture(const QByteArray &data, QTextImageFormat f)
{
    flushHidden();
    flushText();
    ensurePosition(contentLevel());

    const QUrl url(QStringLiteral("rtfimage:%1").arg(++m_picture.images));
    m_doc->addResource(QTextDocument::ImageResource, url, data);
    f.setName(url.toString());
    m_out.call([f](QTextCursor &cursor, QTextTable *) { cursor.insertImage(f); });
}

} // namespace rtf::detail

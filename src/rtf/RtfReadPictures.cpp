// The RTF reader's pictures: \pict data, shown when it is PNG or JPEG.

#include "rtf/RtfReaderImpl.h"

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

void Reader::finishPicture()
{
    m_picture.active = false;
    Picture pict = std::move(m_picture.pict);
    m_picture.pict = Picture();
    if ((pict.kind != 1 && pict.kind != 2) || pict.data.isEmpty() || m_st.hidden)
        return;
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

    flushHidden();
    flushText();
    ensurePosition(contentLevel());

    const QUrl url(QStringLiteral("rtfimage:%1").arg(++m_picture.images));
    m_doc->addResource(QTextDocument::ImageResource, url, pict.data);
    QTextImageFormat f;
    f.setName(url.toString());
    f.setWidth(w);
    f.setHeight(h);
    m_out.call([f](QTextCursor &cursor, QTextTable *) { cursor.insertImage(f); });
}

} // namespace rtf::detail

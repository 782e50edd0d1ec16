#include "SafeHtml.h"

#include "picture/Metafile.h"
#include "rtf/Rtf.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>

#include <vector>

namespace {

// Browsers ignore blanks and control characters inside a scheme
// ("java\tscript:"), so the scheme is judged without them.
bool safeHref(const QString &href)
{
    QString h;
    for (QChar c : href)
        if (c.unicode() > 0x20 && c.unicode() != 0x7F)
            h += c;
    if (h.startsWith(u'#'))
        return true;
    const qsizetype colon = h.indexOf(u':');
    if (colon <= 0)
        return false; // relative: no document beside ours to point to
    const QString scheme = h.left(colon).toLower();
    return scheme == u"http" || scheme == u"https" || scheme == u"mailto" || scheme == u"ftp";
}

// Face names keep letters, digits, blanks and - _ . , only: no quotes,
// semicolons, braces or angle brackets to end the CSS string or the tag.
QString safeFace(const QString &face)
{
    QString out;
    for (QChar c : face)
        if (c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' || c == u'.')
            out += c;
    return out.trimmed();
}

// List number text goes into a quoted CSS string in a style attribute.
// Line ends end the string, quotes and backslashes end or escape it, and an
// entity (&#39;) becomes a quote before the CSS is read.
QString safeCssText(const QString &text)
{
    QString out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 || u == u'\\' || u == u'\''
            || u == u'"' || u == u'&' || u == u'<' || u == u'>')
            continue;
        out += c;
    }
    return out;
}

void cleanListText(QTextList *list)
{
    QTextListFormat f = list->format();
    bool changed = false;
    for (int property : {int(QTextFormat::ListNumberPrefix), int(QTextFormat::ListNumberSuffix)}) {
        if (!f.hasProperty(property))
            continue;
        const QString text = f.stringProperty(property), clean = safeCssText(text);
        if (clean != text) {
            f.setProperty(property, clean);
            changed = true;
        }
    }
    if (changed)
        list->setFormat(f);
}

QString dataUri(const QTextDocument *doc, const QTextImageFormat &image)
{
    const QVariant res = doc->resource(QTextDocument::ImageResource, QUrl(image.name()));
    QByteArray data = res.toByteArray();
    const char *mime = data.startsWith("\x89PNG") ? "image/png" : data.startsWith("\xFF\xD8") ? "image/jpeg" : nullptr;
    if (!mime) {
        // Metafiles and the boxes of objects: drawn at their size, as PNG
        // (an SVG could carry script).
        const QSize size(qRound(image.width()), qRound(image.height()));
        const QImage drawn = picture::render(data, size);
        data.clear();
        QBuffer buffer(&data);
        if (drawn.isNull() || !buffer.open(QIODevice::WriteOnly) || !drawn.save(&buffer, "PNG"))
            return {};
        mime = "image/png";
    }
    return QStringLiteral("data:%1;base64,").arg(QLatin1String(mime)) + QString::fromLatin1(data.toBase64());
}

} // namespace

QByteArray safeHtml(QTextDocument *doc)
{
    struct Change {
        int pos, len;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    std::vector<Change> anchors; // kept parts: not shown, so not in the page
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (QTextList *list = b.textList(); list && list->item(0) == b)
            cleanListText(list);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            QTextCharFormat f = frag.charFormat();
            if (rtf::isKeptPartAnchor(f)) {
                anchors.push_back({frag.position(), frag.length(), {}});
                continue;
            }
            bool changed = false;
            if (f.isAnchor() || f.hasProperty(QTextFormat::AnchorHref)) {
                if (!safeHref(f.anchorHref())) {
                    f.setAnchor(false);
                    f.clearProperty(QTextFormat::AnchorHref);
                    changed = true;
                }
            }
            const QStringList faces = f.fontFamilies().toStringList();
            if (!faces.isEmpty()) {
                QStringList clean;
                for (const QString &face : faces)
                    if (const QString s = safeFace(face); !s.isEmpty())
                        clean << s;
                if (clean != faces) {
                    f.setFontFamilies(clean);
                    changed = true;
                }
            }
            if (f.isImageFormat()) {
                QTextImageFormat img = f.toImageFormat();
                if (!img.name().startsWith(QLatin1String("data:"))) {
                    img.setName(dataUri(doc, img)); // nothing when it cannot be shown
                    f = img;
                    changed = true;
                }
            }
            if (changed)
                changes.push_back({frag.position(), frag.length(), f});
        }
    }
    QTextCursor c(doc);
    for (const Change &ch : changes) {
        c.setPosition(ch.pos);
        c.setPosition(ch.pos + ch.len, QTextCursor::KeepAnchor);
        c.setCharFormat(ch.format);
    }
    for (auto it = anchors.rbegin(); it != anchors.rend(); ++it) {
        c.setPosition(it->pos);
        c.setPosition(it->pos + it->len, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    QFont def = doc->defaultFont();
    def.setFamilies({safeFace(def.family())});
    doc->setDefaultFont(def);
    return doc->toHtml().toUtf8();
}

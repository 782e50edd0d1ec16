// Plain text of a document the way word processors export it, with list
// markers, which QTextDocument::toPlainText() leaves out.

#include "rtf/Rtf.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace rtf {
namespace {

QString roman(int n)
{
    static const struct {
        int value;
        const char *digits;
    } table[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
                 {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
    QString out;
    if (n <= 0 || n >= 4000)
        return QString::number(n);
    for (const auto &t : table)
        for (; n >= t.value; n -= t.value)
            out += QLatin1String(t.digits);
    return out;
}

QString letters(int n)
{
    QString out;
    if (n <= 0)
        return QString::number(n);
    for (; n > 0; n = (n - 1) / 26)
        out.prepend(QChar(u'a' + (n - 1) % 26));
    return out;
}

} // namespace

QString listMarker(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    const int start = f.hasProperty(kListStart) ? f.intProperty(kListStart) : 1;
    const int n = list->itemNumber(block) + start;
    QString number;
    switch (f.style()) {
    case QTextListFormat::ListDecimal: number = QString::number(n); break;
    case QTextListFormat::ListLowerAlpha: number = letters(n); break;
    case QTextListFormat::ListUpperAlpha: number = letters(n).toUpper(); break;
    case QTextListFormat::ListLowerRoman: number = roman(n); break;
    case QTextListFormat::ListUpperRoman: number = roman(n).toUpper(); break;
    default: {
        const QString bullet = f.stringProperty(kListBullet);
        if (bullet.size() == 1) {
            // Symbol and Wingdings bullets sit in the private use area.
            switch (bullet.at(0).unicode()) {
            case 0xF0B7: return QString(QChar(0x2022));
            case 0xF0A7: return QString(QChar(0x25AA));
            case 0xF0A8: return QString(QChar(0x25A1));
            case 0xF06F: return QString(QChar(0x25E6));
            default: return bullet;
            }
        }
        if (f.hasProperty(kListBullet))
            return bullet;
        switch (f.style()) {
        case QTextListFormat::ListCircle: return QString(QChar(0x25E6));
        case QTextListFormat::ListSquare: return QString(QChar(0x25AA));
        default: return QString(QChar(0x2022));
        }
    }
    }
    return f.numberPrefix() + number + f.numberSuffix();
}

QString plainText(const QTextDocument *doc)
{
    if (!doc)
        return {};
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.length() == 1 && b.blockFormat().hasProperty(kTableSeam))
            continue; // between two slices of one table
        if (b != doc->begin() && !joinsPrevious(b))
            out += u'\n';
        if (b.textList())
            out += listMarker(b) + u'\t';
        const QString text = b.text();
        if (text.contains(QChar::ObjectReplacementCharacter)) {
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (!isKeptPartAnchor(it.fragment().charFormat()))
                    out += it.fragment().text();
        } else {
            out += text;
        }
    }
    // As toPlainText(): line breaks and no-break spaces as plain ones.
    for (QChar &c : out) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return out;
}

} // namespace rtf

// Plain text of a document the way word processors export it, with list
// markers, which QTextDocument::toPlainText() leaves out.

#include "rtf/Rtf.h"
#include "rtf/RtfLists.h"

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

} // namespace rtf

namespace rtf::detail {

QString shownBullet(const QString &bullet, const QString &face)
{
    if (bullet.size() != 1)
        return bullet;
    char16_t c = bullet.at(0).unicode();
    const QString f = face.toLower();
    const bool symbol = f == u"symbol", wingdings = f == u"wingdings";
    // Symbol fonts' codes come as bytes, or moved up to U+F0xx.
    if (c >= 0xF020 && c <= 0xF0FF)
        c -= 0xF000;
    else if (c > 0xFF || !(symbol || wingdings))
        return bullet;
    struct Map {
        char16_t from, to;
    };
    static constexpr Map kSymbol[] = {{0x2D, 0x2212}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660},
                                      {0xAE, 0x2192}, {0xB7, 0x2022}, {0xD8, 0x00AC}, {0xDE, 0x21D2}, {0xE0, 0x25CA}};
    static constexpr Map kWingdings[] = {{0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751},
                                         {0x76, 0x2756}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2},
                                         {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFE, 0x2611}};
    // Without a face, the codes Word's bullets use most.
    static constexpr Map kUnknown[] = {{0xA7, 0x25AA}, {0xA8, 0x25A1}, {0xB7, 0x2022}, {0x6F, 0x25E6}};
    const auto find = [c](const auto &table) -> char16_t {
        for (const Map &m : table)
            if (m.from == c)
                return m.to;
        return 0;
    };
    const char16_t to = symbol ? find(kSymbol) : wingdings ? find(kWingdings) : find(kUnknown);
    if (to)
        return QString(QChar(to));
    return (symbol || wingdings) ? QString(QChar(0x2022)) : QString(QChar(c));
}

QString formatNumber(int n, int nfc)
{
    switch (nfc) {
    case 1: return roman(n).toUpper();
    case 2: return roman(n);
    case 3: return letters(n).toUpper();
    case 4: return letters(n);
    case 22: return n >= 0 && n < 10 ? u'0' + QString::number(n) : QString::number(n);
    case 23:
    case 255: return {};
    default: return QString::number(n);
    }
}

QTextListFormat::Style levelStyle(const ListLevelDef &level)
{
    switch (level.nfc) {
    case 1: return QTextListFormat::ListUpperRoman;
    case 2: return QTextListFormat::ListLowerRoman;
    case 3: return QTextListFormat::ListUpperAlpha;
    case 4: return QTextListFormat::ListLowerAlpha;
    case 23:
    case 255: {
        // Qt draws discs, circles and squares only.
        const QString b = shownBullet(level.text.mid(1, 1), level.face);
        switch (b.isEmpty() ? 0 : b.at(0).unicode()) {
        case u'o': case 0x25CB: case 0x25E6: case 0x25A1: return QTextListFormat::ListCircle;
        case 0x25A0: case 0x25AA: case 0x25FB: case 0x2751: return QTextListFormat::ListSquare;
        default: return QTextListFormat::ListDisc;
        }
    }
    default: return QTextListFormat::ListDecimal;
    }
}

QString levelMarker(const ListLevelDef &level, const ListDef &def, const std::array<int, 9> &numbers)
{
    const QString &t = level.text;
    const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
    if (level.nfc == 23)
        return shownBullet(t.mid(1, len), level.face);
    QString out;
    for (qsizetype i = 1; i <= len; ++i) {
        const char16_t c = t.at(i).unicode();
        if (c >= 9) {
            out += QChar(c);
            continue;
        }
        const int nfc = c < def.levels.size() ? def.levels[c].nfc : 0;
        out += formatNumber(numbers[c], nfc);
    }
    return out;
}

bool keptLevel(const QTextListFormat &format, ListDef *def, int *level)
{
    if (!format.hasProperty(kListDef))
        return false;
    *def = format.property(kListDef).value<ListDef>();
    *level = std::clamp(format.intProperty(kListLevel), 0, 8);
    if (def->levels.isEmpty())
        return false;
    *level = std::min<int>(*level, int(def->levels.size()) - 1);
    return levelStyle(def->levels[*level]) == format.style();
}

namespace {

bool refersAbove(const ListLevelDef &level, int self)
{
    if (level.nfc == 23)
        return false;
    for (QChar c : level.text.mid(1))
        if (c.unicode() < 9 && c.unicode() != self)
            return true;
    return false;
}

int firstNumber(const QTextListFormat &f)
{
    return f.hasProperty(kListStart) ? f.intProperty(kListStart) : 1;
}

// A list Quillet made, or whose look was changed: Qt's look.
QString qtMarker(const QTextListFormat &f, int n)
{
    QString number;
    switch (f.style()) {
    case QTextListFormat::ListDecimal: number = QString::number(n); break;
    case QTextListFormat::ListLowerAlpha: number = letters(n); break;
    case QTextListFormat::ListUpperAlpha: number = letters(n).toUpper(); break;
    case QTextListFormat::ListLowerRoman: number = roman(n); break;
    case QTextListFormat::ListUpperRoman: number = roman(n).toUpper(); break;
    default: {
        const QString bullet = f.stringProperty(kListBullet);
        if (f.hasProperty(kListBullet))
            return shownBullet(bullet, QString());
        switch (f.style()) {
        case QTextListFormat::ListCircle: return QString(QChar(0x25E6));
        case QTextListFormat::ListSquare: return QString(QChar(0x25AA));
        default: return QString(QChar(0x2022));
        }
    }
    }
    return f.numberPrefix() + number + f.numberSuffix();
}

} // namespace

QString ListNumbering::marker(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    auto it = m_lists.find(list);
    if (it == m_lists.end()) {
        Seen s;
        s.kept = keptLevel(f, &s.def, &s.level);
        s.group = f.intProperty(kListOverride);
        it = m_lists.insert(list, s);
    }
    const int n = firstNumber(f) + it->items++;
    if (!it->kept)
        return qtMarker(f, n);
    auto numbers = m_numbers.find(it->group);
    if (numbers == m_numbers.end()) {
        std::array<int, 9> first;
        for (int i = 0; i < 9; ++i)
            first[i] = i < it->def.levels.size() ? it->def.levels[i].start : 1;
        numbers = m_numbers.insert(it->group, first);
    }
    (*numbers)[it->level] = n;
    return levelMarker(it->def.levels[it->level], it->def, *numbers);
}

} // namespace rtf::detail

namespace rtf {

QString listMarker(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat f = list->format();
    ListDef def;
    int level = 0;
    const bool kept = detail::keptLevel(f, &def, &level);
    if (kept && detail::refersAbove(def.levels[level], level)) {
        // The numbers above are those of the items before it.
        detail::ListNumbering numbering;
        for (QTextBlock b = block.document()->begin(); b.isValid() && b != block; b = b.next())
            if (b.textList())
                numbering.marker(b);
        return numbering.marker(block);
    }
    const int n = list->itemNumber(block) + detail::firstNumber(f);
    if (!kept)
        return detail::qtMarker(f, n);
    std::array<int, 9> numbers{};
    numbers[level] = n;
    return detail::levelMarker(def.levels[level], def, numbers);
}

QString plainText(const QTextDocument *doc)
{
    if (!doc)
        return {};
    QString out;
    detail::ListNumbering numbering;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.length() == 1 && b.blockFormat().hasProperty(kTableSeam))
            continue; // between two slices of one table
        if (b != doc->begin() && !joinsPrevious(b))
            out += u'\n';
        if (b.textList())
            out += numbering.marker(b) + u'\t';
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

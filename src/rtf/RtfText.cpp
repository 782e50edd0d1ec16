// Plain text of a document the way word processors export it, with list
// markers, which QTextDocument::toPlainText() leaves out.

#include "rtf/Rtf.h"
#include "rtf/RtfLists.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <iterator>

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

uint windows1252HighByte(char16_t c)
{
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    if (c < 0x100)
        return 0;
    const auto *at = std::find(std::begin(kHigh), std::end(kHigh), c);
    return at == std::end(kHigh) ? 0 : uint(0x80 + (at - std::begin(kHigh)));
}

QString shownBullet(const QString &bullet, const QString &face)
{
    if (bullet.size() != 1)
        return bullet;
    char16_t c = bullet.at(0).unicode();
    const QString f = face.toLower();
    enum Font { Symbol, Wingdings, Wingdings2, Wingdings3, Webdings, Other };
    const Font font = f == u"symbol"        ? Symbol
                    : f == u"wingdings"     ? Wingdings
                    : f == u"wingdings 2"   ? Wingdings2
                    : f == u"wingdings 3"   ? Wingdings3
                    : f == u"webdings"      ? Webdings
                                            : Other;
    // Symbol fonts' codes come as bytes, or moved up to U+F0xx; bytes 80-9F
    // arrive as what they are in Windows-1252, the page of a level's text
    // (Symbol has nothing there: its dash is a dash).
    if (c >= 0xF020 && c <= 0xF0FF) {
        c -= 0xF000;
    } else if (c > 0xFF) {
        const uint byte = font == Other || font == Symbol ? 0 : windows1252HighByte(c);
        if (!byte)
            return bullet;
        c = char16_t(byte);
    } else if (font == Other) {
        return bullet;
    }
    struct Map {
        char16_t from, to;
    };
    static constexpr Map kSymbol[] = {{0x2D, 0x2212}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660},
                                      {0xAE, 0x2192}, {0xB7, 0x2022}, {0xD8, 0x00AC}, {0xDE, 0x21D2}, {0xE0, 0x25CA}};
    static constexpr Map kWingdings[] = {{0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751},
                                         {0x76, 0x2756}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2},
                                         {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFE, 0x2611}};
    // The bullets Word offers in these faces, as the nearest characters
    // common fonts have.
    static constexpr Map kWingdings2[] = {
        {0x4F, 0x2717}, {0x50, 0x2713}, {0x51, 0x2612}, {0x52, 0x2611}, {0x53, 0x2612}, {0x54, 0x2612},
        {0x95, 0x22C5}, {0x96, 0x2022}, {0x97, 0x2022}, {0x98, 0x25CF}, {0x99, 0x25CB}, {0x9A, 0x25CB},
        {0x9B, 0x25CB}, {0x9C, 0x25CB}, {0x9D, 0x2299}, {0x9E, 0x29BF}, {0x9F, 0x25AA}, {0xA0, 0x25AA},
        {0xA1, 0x25FE}, {0xA2, 0x25A0}, {0xA3, 0x25A1}, {0xA4, 0x25A1}, {0xA5, 0x25A1}, {0xA6, 0x25A1},
        {0xA7, 0x25A3}, {0xA8, 0x25A3}, {0xA9, 0x25A3}, {0xAB, 0x25C6}, {0xAC, 0x25C6}, {0xAD, 0x25C6},
        {0xAE, 0x25C6}, {0xAF, 0x25C7}, {0xB0, 0x25C8}, {0xB1, 0x25C8}, {0xB8, 0x25CA}, {0xE9, 0x2605},
        {0xEA, 0x2605}, {0xEB, 0x2736}, {0xF0, 0x2739}, {0xF3, 0x272F}, {0xF8, 0x203B}};
    static constexpr Map kWingdings3[] = {
        {0x21, 0x2190}, {0x22, 0x2192}, {0x23, 0x2191}, {0x24, 0x2193}, {0x70, 0x25B2}, {0x71, 0x25BC},
        {0x72, 0x25B3}, {0x73, 0x25BD}, {0x74, 0x25C0}, {0x75, 0x25B6}, {0x76, 0x25C1}, {0x77, 0x25B7},
        {0x78, 0x25E3}, {0x79, 0x25E2}, {0x7A, 0x25E4}, {0x7B, 0x25E5}, {0x7C, 0x25C0}, {0x7D, 0x25B6},
        {0x7E, 0x25B2}, {0x80, 0x25BC}, {0x81, 0x25B2}, {0x82, 0x25BC}, {0x83, 0x25C0}, {0x84, 0x25B6},
        {0x85, 0x25C0}, {0x86, 0x25B6}, {0x87, 0x25B2}, {0x88, 0x25BC}};
    static constexpr Map kWebdings[] = {{0x33, 0x25C0}, {0x34, 0x25B6}, {0x35, 0x25B2}, {0x36, 0x25BC},
                                        {0x3C, 0x25A0}, {0x3D, 0x25CF}, {0x61, 0x2714}, {0x63, 0x25A1},
                                        {0x67, 0x25A0}, {0x6E, 0x25CF}, {0x98, 0x272F}};
    // Without a face, the codes Word's bullets use most.
    static constexpr Map kUnknown[] = {{0xA7, 0x25AA}, {0xA8, 0x25A1}, {0xB7, 0x2022}, {0x6F, 0x25E6}};
    const auto find = [c](const auto &table) -> char16_t {
        for (const Map &m : table)
            if (m.from == c)
                return m.to;
        return 0;
    };
    char16_t to = 0;
    switch (font) {
    case Symbol: to = find(kSymbol); break;
    case Wingdings: to = find(kWingdings); break;
    case Wingdings2: to = find(kWingdings2); break;
    case Wingdings3: to = find(kWingdings3); break;
    case Webdings: to = find(kWebdings); break;
    case Other: to = find(kUnknown); break;
    }
    if (to)
        return QString(QChar(to));
    return font != Other ? QString(QChar(0x2022)) : QString(QChar(c));
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
    switch (level.legal && level.nfc < 5 ? 0 : level.nfc) {
    case 1: return QTextListFormat::ListUpperRoman;
    case 2: return QTextListFormat::ListLowerRoman;
    case 3: return QTextListFormat::ListUpperAlpha;
    case 4: return QTextListFormat::ListLowerAlpha;
    case 23:
    case 255: {
        if (!level.picture.isEmpty()) // shown as a plain bullet
            return QTextListFormat::ListDisc;
        // Qt draws discs, circles and squares only.
        const QString b = shownBullet(level.text.mid(1, 1), level.face);
        switch (b.isEmpty() ? 0 : b.at(0).unicode()) {
        case u'o': case 0x25CB: case 0x25E6: case 0x25A1: case 0x25C7: return QTextListFormat::ListCircle;
        case 0x25A0: case 0x25AA: case 0x25FB: case 0x25FE: case 0x2751: case 0x25A3: return QTextListFormat::ListSquare;
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
        return level.picture.isEmpty() ? shownBullet(t.mid(1, len), level.face) : QString(QChar(0x2022));
    QString out;
    for (qsizetype i = 1; i <= len; ++i) {
        const char16_t c = t.at(i).unicode();
        if (c >= 9) {
            out += QChar(c);
            continue;
        }
        // Legal numbering shows every level's number in Arabic numerals.
        const int nfc = c >= def.levels.size() ? 0 : level.legal && def.levels[c].nfc != 22 ? 0 : def.levels[c].nfc;
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

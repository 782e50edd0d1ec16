#include "rtf/RtfCodepages.h"

#include "base/Cp1252.h"

#include <QByteArray>

#include <algorithm>
#include <iterator>

namespace rtf {

int codepageForCharset(int charset)
{
    switch (charset) {
    case 0: return 0;      // ANSI: whatever \ansicpg says
    case 1: return 0;      // default
    case 2: return kSymbolCodepage;
    case 77: return 10000; // Mac Roman
    case 78: return 10001; // Mac Japanese
    case 79: return 10003; // Mac Korean
    case 80: return 10008; // Mac Chinese simplified
    case 81: return 10002; // Mac Chinese traditional
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

namespace {

// The Symbol font's own encoding, for the positions that have a plain
// Unicode counterpart (Greek letters, maths, arrows, the list bullet).
void applySymbolEncoding(char16_t *table)
{
    static const char16_t upper[] = u"ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ";
    static const char16_t lower[] = u"αβχδεφγηιϕκλμνοπθρστυϖωξψζ";
    for (int i = 0; i < 26; ++i) {
        table[0x41 + i] = upper[i];
        table[0x61 + i] = lower[i];
    }
    table[0x22] = u'∀';
    table[0x24] = u'∃';
    table[0x27] = u'∋';
    table[0x2A] = u'∗';
    table[0x2D] = u'−';
    table[0x40] = u'≅';
    table[0x5C] = u'∴';
    table[0x5E] = u'⊥';
    table[0x7E] = u'∼';
    static const char16_t high[] = u"ϒ′≤⁄∞ƒ♣♦♥♠↔←↑→↓°±″≥×∝∂•÷≠≡≈…⏐⎯↵ℵℑℜ℘⊗⊕∅∩∪⊃⊇⊄⊂⊆∈∉∠∇®©™∏√⋅¬∧∨⇔⇐⇑⇒⇓◊〈®©™∑";
    for (int i = 0; high[i]; ++i)
        table[0xA1 + i] = high[i];
}

const char *icuName(int cp)
{
    switch (cp) {
    case 437: return "IBM437";
    case 708: return "ISO-8859-6";
    case 737: return "IBM737";
    case 775: return "IBM775";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 855: return "IBM855";
    case 857: return "IBM857";
    case 860: return "IBM860";
    case 861: return "IBM861";
    case 862: return "IBM862";
    case 863: return "IBM863";
    case 864: return "IBM864";
    case 865: return "IBM865";
    case 866: return "IBM866";
    case 869: return "IBM869";
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    case 10004: return "x-mac-arabic";
    case 10005: return "x-mac-hebrew";
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10029: return "x-mac-centraleurroman";
    case 10079: return "x-mac-icelandic";
    case 10081: return "x-mac-turkish";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 28597: return "ISO-8859-7";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

bool isDoubleByteNumber(int cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361 || cp == 10001
        || cp == 10002 || cp == 10003 || cp == 10008 || cp == 65001;
}

// Pages without a decoder of their own and their nearest relative: the Mac
// CJK pages are the Windows ones with a few Apple extras.
int nearestRelative(int cp)
{
    switch (cp) {
    case 10001: return 932;  // Mac Japanese: Shift_JIS
    case 10002: return 950;  // Mac Chinese traditional: Big5
    case 10003: return 949;  // Mac Korean: EUC-KR
    case 10008: return 936;  // Mac Chinese simplified: GB2312
    case 20932: return 932;  // EUC-JP's repertoire, as the closest we have
    case 28591: return 1252;
    default: return 0;
    }
}

// ICU knows many more pages than the list above under generic names.
QStringDecoder probeDecoder(int cp)
{
    if (const char *name = icuName(cp)) {
        QStringDecoder d(name, QStringConverter::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    for (const char *pattern : {"windows-%1", "cp%1", "ibm-%1"}) {
        QStringDecoder d(QString::fromLatin1(pattern).arg(cp).toLatin1().constData(),
                         QStringConverter::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace

const Codepage *Codepages::get(int number)
{
    auto it = m_pages.find(number);
    if (it != m_pages.end())
        return it->second.get();
    auto alias = m_aliases.find(number);
    if (alias != m_aliases.end())
        return alias->second;

    auto page = std::make_unique<Codepage>();
    page->number = number;
    if (number == kSymbolCodepage) {
        const Codepage *latin = get(1252);
        std::copy(std::begin(latin->table), std::end(latin->table), page->table);
        applySymbolEncoding(page->table);
        Codepage *raw = page.get();
        m_pages.emplace(number, std::move(page));
        return raw;
    }
    if (number == 1252) { // the page every other one falls back to: our own table
        for (int b = 0; b < 256; ++b)
            page->table[b] = cp1252::toUnicode(uchar(b));
        Codepage *raw = page.get();
        m_pages.emplace(number, std::move(page));
        return raw;
    }
    QStringDecoder probe = probeDecoder(number);
    if (!probe.isValid()) {
        // Never quietly Windows-1252 when a relative is known; only a page
        // nobody knows falls back to it.
        const int relative = nearestRelative(number);
        const Codepage *fallback = get(relative ? relative : 1252);
        m_aliases.emplace(number, fallback);
        return fallback;
    }

    if (isDoubleByteNumber(number)) {
        page->doubleByte = true;
        page->decoder = std::move(probe);
    } else {
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            QString s = probe.decode(QByteArrayView(&byte, 1));
            page->table[b] = s.size() == 1 ? s.at(0).unicode() : char16_t(0xFFFD);
        }
        for (int b = 0; b < 0x80; ++b)
            if (page->table[b] != b)
                page->asciiCompatible = false;
    }
    Codepage *raw = page.get();
    m_pages.emplace(number, std::move(page));
    return raw;
}

} // namespace rtf

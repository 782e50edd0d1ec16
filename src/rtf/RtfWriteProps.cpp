// The RTF writer's properties beside Qt's: see RtfProps.h.

#include "rtf/RtfProps.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfUnits.h"

#include <cmath>

namespace rtf::detail {

namespace {

KeptWords keptOf(const QTextFormat &f, int property)
{
    const QVariant v = f.property(property);
    return v.isValid() ? v.value<KeptWords>() : KeptWords();
}

const Keyword *keywordOf(QByteArrayView name)
{
    return findKeyword(std::string_view(name.data(), size_t(name.size())));
}

// Written where Qt's own property is (underline, strike), not with the rest.
bool writtenInPlace(const KeptWord &w)
{
    const Keyword *k = keywordOf(w.name);
    return w.name == "striked" || (k && k->id == Kw::Ul);
}

void appendWord(QByteArray &out, QByteArrayView name, const KeptWord &w, const ColorIndex &colorIndex)
{
    out += '\\';
    out += name;
    if (w.kind == KeptWord::Number)
        out += QByteArray::number(w.value);
    else if (w.kind == KeptWord::Color)
        out += QByteArray::number(w.value ? colorIndex(QRgb(w.value)) : 0);
}

} // namespace

QByteArray keptUnderline(const QTextCharFormat &f)
{
    const KeptWords kept = keptOf(f, kKeptCharWords);
    for (const KeptWord &w : kept.words) {
        const Keyword *k = keywordOf(w.name);
        if (!k || k->id != Kw::Ul)
            continue;
        const auto style = k->ch ? QTextCharFormat::UnderlineStyle(k->ch) : QTextCharFormat::SingleUnderline;
        const bool single = f.underlineStyle() == QTextCharFormat::SingleUnderline
            || (f.underlineStyle() == QTextCharFormat::NoUnderline && f.fontUnderline());
        if (style == QTextCharFormat::SingleUnderline ? single : f.underlineStyle() == style)
            return '\\' + w.name;
    }
    return {};
}

bool keptDoubleStrike(const QTextCharFormat &f)
{
    return f.fontStrikeOut() && keptOf(f, kKeptCharWords).find("striked");
}

void appendCharWords(QByteArray &out, const QTextCharFormat &f, int halfPoints, const ColorIndex &colorIndex)
{
    if (f.hasProperty(QTextFormat::FontLetterSpacing) && f.fontLetterSpacingType() == QFont::AbsoluteSpacing) {
        if (const int tw = std::clamp(pixelsToTwips(f.fontLetterSpacing()), -31680, 31680))
            out += "\\expnd" + QByteArray::number(tw / 5) + "\\expndtw" + QByteArray::number(tw);
    }
    if (f.hasProperty(QTextFormat::TextBaselineOffset)) {
        const long hp = std::lround(std::clamp(f.baselineOffset(), -1000.0, 1000.0) * halfPoints / 100.0);
        if (hp > 0)
            out += "\\up" + QByteArray::number(qint64(hp));
        else if (hp < 0)
            out += "\\dn" + QByteArray::number(qint64(-hp));
    }
    if (f.hasProperty(QTextFormat::FontStretch) && f.fontStretch() > 0 && f.fontStretch() != 100)
        out += "\\charscalex" + QByteArray::number(std::min(f.fontStretch(), 600));
    for (const KeptWord &w : keptOf(f, kKeptCharWords).words)
        if (!writtenInPlace(w))
            appendWord(out, w.name, w, colorIndex);
}

void appendParWords(QByteArray &out, const QTextBlockFormat &f, const ColorIndex &colorIndex)
{
    // Sorted by name, so a border's side ("brdrt") comes right before its
    // own words ("brdrt.brdrs"), written without the side's name.
    for (const KeptWord &w : keptOf(f, kKeptParWords).words) {
        const qsizetype dot = w.name.indexOf('.');
        appendWord(out, QByteArrayView(w.name).sliced(dot + 1), w, colorIndex);
    }
}

void appendWords(QByteArray &out, const KeptWords &words, const ColorIndex &colorIndex)
{
    for (const KeptWord &w : words.words)
        appendWord(out, w.name, w, colorIndex);
}

void appendDocWords(QByteArray &out, const KeptWords &words)
{
    for (const KeptWord &w : words.words)
        if (w.name != "viewkind") // written in its place
            appendWord(out, w.name, w, [](QRgb) { return 0; });
}

} // namespace rtf::detail

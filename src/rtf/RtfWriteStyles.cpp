// The writer's side of the style sheet: the {\stylesheet} group as read,
// and what paragraphs and runs need after their style references.

#include "rtf/RtfWriteStyles.h"
#include "rtf/RtfUnits.h"
#include "rtf/RtfWriterImpl.h"

#include <QBrush>
#include <QTextDocument>
#include <QTextFrame>

#include <cstring>

namespace rtf::styles {

namespace {

void add(QByteArray &out, const char *w)
{
    out.append(w);
}

void add(QByteArray &out, const char *w, int n)
{
    out.append(w);
    out.append(QByteArray::number(n));
}

bool underlined(const QTextCharFormat &f)
{
    const auto u = f.underlineStyle();
    return (u != QTextCharFormat::NoUnderline && u != QTextCharFormat::SpellCheckUnderline) || f.fontUnderline();
}

// The character properties a style sets, as RTF words. Not its face: each
// run names its own, and a style's \f without the script words that came
// with it (\loch \dbch...) would give text in other scripts that face too.
QByteArray charWords(const QTextCharFormat &f, const WriteHooks &hooks)
{
    QByteArray out;
    if (f.hasProperty(QTextFormat::FontPointSize))
        add(out, "\\fs", qBound(1, roundToInt(f.fontPointSize(), kHalfPointsPerPoint), 32767));
    if (f.fontWeight() >= QFont::Bold)
        add(out, "\\b");
    if (f.fontItalic())
        add(out, "\\i");
    switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        if (f.fontUnderline())
            add(out, "\\ul");
        break;
    case QTextCharFormat::DashUnderline: add(out, "\\uldash"); break;
    case QTextCharFormat::DotLine: add(out, "\\uld"); break;
    case QTextCharFormat::DashDotLine: add(out, "\\uldashd"); break;
    case QTextCharFormat::DashDotDotLine: add(out, "\\uldashdd"); break;
    case QTextCharFormat::WaveUnderline: add(out, "\\ulwave"); break;
    default: add(out, "\\ul"); break;
    }
    if (f.fontStrikeOut())
        add(out, "\\strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        add(out, "\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        add(out, "\\sub");
    if (f.hasProperty(QTextFormat::FontCapitalization)) {
        if (f.fontCapitalization() == QFont::AllUppercase)
            add(out, "\\caps");
        else if (f.fontCapitalization() == QFont::SmallCaps)
            add(out, "\\scaps");
    }
    if (f.foreground().style() != Qt::NoBrush)
        add(out, "\\cf", hooks.color(f.foreground().color()));
    if (f.background().style() != Qt::NoBrush) {
        const int ci = hooks.color(f.background().color());
        add(out, "\\cb", ci);
        add(out, "\\highlight", ci);
    }
    return out;
}

} // namespace

StyleIndex::StyleIndex(const QTextDocument *doc)
{
    const QVariant v = doc->rootFrame()->frameFormat().property(kStyleSheet);
    if (!v.canConvert<StyleSheet>())
        return;
    m_any = true;
    m_sheet = v.value<StyleSheet>();
    for (qsizetype i = 0; i < m_sheet.styles.size(); ++i) {
        const Style &s = m_sheet.styles.at(i);
        if (s.kind <= Style::Character && !m_index[s.kind].contains(s.number))
            m_index[s.kind].insert(s.number, int(i));
    }
}

const Style *StyleIndex::find(Style::Kind kind, int number) const
{
    const int at = m_index[kind].value(number, -1);
    return at >= 0 ? &m_sheet.styles.at(at) : nullptr;
}

const Style *StyleIndex::withLook(const QTextBlockFormat &bf) const
{
    const int number = bf.intProperty(kParagraphStyle);
    const Style *s = paragraph(number); // without \\s: style 0, as readers take it
    return s && !s->charFormat.properties().isEmpty() ? s : nullptr;
}

QByteArray StyleIndex::sheet(const WriteHooks &hooks) const
{
    if (!m_any)
        return QByteArray();
    QByteArray out("{\\stylesheet");
    for (const Style &s : m_sheet.styles) {
        out.append("\r\n{");
        switch (s.kind) {
        case Style::Paragraph:
            if (s.number != 0)
                add(out, "\\s", s.number);
            break;
        case Style::Character: add(out, "\\*\\cs", s.number); break;
        case Style::Table: add(out, "\\*\\ts", s.number); break;
        case Style::Section: add(out, "\\ds", s.number); break;
        }
        if (s.additive)
            add(out, "\\additive");
        out.append(s.words);
        // Its look in full, and what it takes back from its based-on style.
        const Style *base = s.kind <= Style::Character && s.basedOn >= 0 ? find(s.kind, s.basedOn) : nullptr;
        if (s.kind == Style::Paragraph) {
            out.append(hooks.paragraph(s.blockFormat));
            out.append(paragraphTakeBacks(base, s.blockFormat));
        }
        out.append(charWords(s.charFormat, hooks));
        out.append(characterTakeBacks(base, s.charFormat));
        const std::pair<const char *, int> links[] = {
            {"\\sbasedon", s.basedOn}, {"\\snext", s.next}, {"\\slink", s.link}};
        for (const auto &[w, n] : links)
            if (n >= 0)
                add(out, w, n);
        const std::pair<const char *, bool> flags[] = {
            {"\\sautoupd", s.autoUpdate}, {"\\shidden", s.hidden},         {"\\slocked", s.locked},
            {"\\spersonal", s.personal},  {"\\scompose", s.compose},       {"\\sreply", s.reply},
            {"\\ssemihidden", s.semiHidden}, {"\\sunhideused", s.unhideWhenUsed}, {"\\sqformat", s.quickFormat}};
        for (const auto &[w, on] : flags)
            if (on)
                add(out, w);
        if (s.priority >= 0)
            add(out, "\\spriority", s.priority);
        out.append(' ');
        out.append(hooks.text(s.name));
        out.append(";}");
    }
    out.append(m_sheet.latent);
    out.append('}');
    return out;
}

QByteArray paragraphWords(const Style *style, const QTextBlockFormat &bf)
{
    QByteArray out;
    if (bf.hasProperty(kOutlineLevel))
        add(out, "\\outlinelevel", bf.intProperty(kOutlineLevel));
    out.append(paragraphTakeBacks(style, bf));
    return out;
}

QByteArray paragraphTakeBacks(const Style *style, const QTextBlockFormat &bf)
{
    QByteArray out;
    if (!style)
        return out;
    const QTextBlockFormat &s = style->blockFormat;
    // What \pard would give the paragraph, but the style gives it otherwise.
    if ((s.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignLeft) && !(bf.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignLeft))
        add(out, "\\ql");
    if (s.layoutDirection() == Qt::RightToLeft && bf.layoutDirection() != Qt::RightToLeft)
        add(out, "\\ltrpar");
    const std::pair<const char *, int> lengths[] = {
        {"\\li", int(QTextFormat::BlockLeftMargin)}, {"\\ri", int(QTextFormat::BlockRightMargin)},
        {"\\fi", int(QTextFormat::TextIndent)},      {"\\sb", int(QTextFormat::BlockTopMargin)},
        {"\\sa", int(QTextFormat::BlockBottomMargin)}};
    for (const auto &[w, p] : lengths)
        if (pixelsToTwips(s.doubleProperty(p)) != 0 && pixelsToTwips(bf.doubleProperty(p)) == 0
            && !(p == QTextFormat::BlockLeftMargin && bf.indent() > 0))
            add(out, w, 0);
    const auto single = [](const QTextBlockFormat &f) {
        return f.lineHeightType() == QTextBlockFormat::SingleHeight
            || (f.lineHeightType() == QTextBlockFormat::ProportionalHeight && qRound(f.lineHeight()) == 100);
    };
    if (!single(s) && single(bf)) {
        add(out, "\\sl", 0);
        add(out, "\\slmult", 0);
    }
    if (s.hasProperty(kOutlineLevel) && !bf.hasProperty(kOutlineLevel))
        add(out, "\\outlinelevel", 9); // body text
    return out;
}

QByteArray characterTakeBacks(const Style *style, const QTextCharFormat &cf)
{
    QByteArray out;
    if (!style)
        return out;
    const QTextCharFormat &s = style->charFormat;
    if (s.fontWeight() >= QFont::Bold && cf.fontWeight() < QFont::Bold)
        add(out, "\\b0");
    if (s.fontItalic() && !cf.fontItalic())
        add(out, "\\i0");
    if (underlined(s) && !underlined(cf))
        add(out, "\\ulnone");
    if (s.fontStrikeOut() && !cf.fontStrikeOut())
        add(out, "\\strike0");
    if (s.verticalAlignment() != QTextCharFormat::AlignNormal && cf.verticalAlignment() == QTextCharFormat::AlignNormal)
        add(out, "\\nosupersub");
    if (s.fontCapitalization() == QFont::AllUppercase && cf.fontCapitalization() != QFont::AllUppercase)
        add(out, "\\caps0");
    if (s.fontCapitalization() == QFont::SmallCaps && cf.fontCapitalization() != QFont::SmallCaps)
        add(out, "\\scaps0");
    if (s.foreground().style() != Qt::NoBrush && cf.foreground().style() == Qt::NoBrush)
        add(out, "\\cf0");
    if (s.background().style() != Qt::NoBrush && cf.background().style() == Qt::NoBrush)
        add(out, "\\cb0\\highlight0");
    return out;
}

} // namespace rtf::styles

namespace rtf::writer {

QByteArray Writer::styleSheetGroup()
{
    styles::WriteHooks hooks;
    hooks.color = [this](const QColor &c) { return colorIndex(c); };
    hooks.paragraph = [this](const QTextBlockFormat &bf) {
        Sink words(false);
        Writer(m_doc, m_t, words).paragraphProperties(bf, 0);
        return words.take().mid(int(std::strlen("\\pard")));
    };
    hooks.text = [](const QString &t) {
        Sink name(false);
        name.text(t, true);
        return name.take();
    };
    return m_t.styles.sheet(hooks);
}

} // namespace rtf::writer

// The RTF reader's font and colour tables, and the character formats built
// from them.

#include "rtf/RtfReaderImpl.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QSet>

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace rtf::detail {
namespace {

// The family that draws a face on this machine: the face itself when it is
// installed, else what fontconfig puts in its place (Arial: Liberation
// Sans), else a generic family by the look its name suggests. Asked once
// per name. Only where text is shown: the converter keeps faces as named.
QString shownFamily(const QString &face)
{
    if (face.isEmpty() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return face;
    static std::mutex lock;
    static QHash<QString, QString> cache;
    const std::lock_guard<std::mutex> guard(lock);
    if (auto it = cache.constFind(face); it != cache.constEnd())
        return *it;
    QString shown = face;
    const QString lower = face.toLower();
    const char *generic = "sans-serif";
    if (lower.contains(u"mono") || lower.contains(u"courier") || lower.contains(u"consol"))
        generic = "monospace";
    else if (lower.contains(u"times") || lower.contains(u"roman") || (lower.contains(u"serif") && !lower.contains(u"sans")))
        generic = "serif";
    // The families fontconfig would try, in order (its aliases, then the
    // generic family's members): the first installed one draws the face.
    // Cheaper than matching, which scores every font.
    static const QStringList installed = QFontDatabase::families();
    static const QSet<QString> known(installed.begin(), installed.end());
    if (!known.contains(face)) {
        if (FcPattern *pattern = FcPatternCreate()) {
            const QByteArray name = face.toUtf8();
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(generic));
            FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FcChar8 *family = nullptr;
            for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
                const QString candidate = QString::fromUtf8(reinterpret_cast<const char *>(family));
                if (known.contains(candidate)) {
                    shown = candidate;
                    break;
                }
            }
            FcPatternDestroy(pattern);
        }
    }
    if (cache.size() > 100000) // a bound for a long-running editor
        cache.clear();
    cache.insert(face, shown);
    return shown;
}

} // namespace


void Reader::startFontTable()
{
    m_st.dest = Dest::FontTable;
    resetFontEntry();
}

void Reader::startColorTable()
{
    m_st.dest = Dest::ColorTable;
    m_color = ColorTableState();
    clearFormats();
}

void Reader::resetFontEntry()
{
    m_font.id = -1;
    m_font.charset = -1;
    m_font.cpg = 0;
    m_font.name.clear();
}

void Reader::commitFont()
{
    m_font.name.flush();
    if (m_font.id >= 0) {
        FontEntry e;
        e.name = m_font.name.toString().trimmed();
        e.shown = shownFamily(e.name);
        e.codepage = m_font.cpg > 0 ? m_font.cpg : codepageForCharset(m_font.charset);
        e.western = m_font.cpg <= 0 && m_font.charset == 0;
        m_font.fonts.insert(m_font.id, e);
        clearFormats();
        m_pageFont = INT_MIN;
    }
    resetFontEntry();
}

void Reader::commitColor()
{
    m_color.colors.push_back(m_color.set ? QColor(m_color.red, m_color.green, m_color.blue) : QColor());
    m_color.red = m_color.green = m_color.blue = 0;
    m_color.set = false;
}

QColor Reader::color(int index) const
{
    // An index past the table, or the table's empty "auto" entry, is no colour.
    if (index < 0 || size_t(index) >= m_color.colors.size())
        return {};
    return m_color.colors[size_t(index)];
}

void Reader::clearFormats()
{
    m_formats.clear();
    m_lastFormat = nullptr;
}

const QTextCharFormat &Reader::charFormat(const CharState &s)
{
    if (m_lastFormat && m_lastFormatState == s)
        return *m_lastFormat;
    m_lastFormatState = s;
    // Numbers that name nothing all look the same: one entry for them, or
    // "\cf1 a\cf2 a..." past the colour table would keep a format per run.
    CharState key = s;
    const int colors = int(m_color.colors.size());
    if (key.fg < 0 || key.fg >= colors)
        key.fg = -1;
    if (key.bg < 0 || key.bg >= colors)
        key.bg = -1;
    if (key.font != -1 && !m_font.fonts.contains(key.font))
        key.font = INT_MIN;
    return charFormatFor(key);
}

const QTextCharFormat &Reader::charFormatFor(const CharState &s)
{
    auto it = m_formats.constFind(s);
    if (it != m_formats.constEnd())
        return *(m_lastFormat = &*it);
    QTextCharFormat f;
    auto font = m_font.fonts.constFind(s.font == -1 ? m_deff : s.font);
    if (font != m_font.fonts.constEnd() && !font->name.isEmpty()) {
        f.setFontFamilies(QStringList{font->shown});
        if (font->shown != font->name)
            f.setProperty(kFontFace, QStringList{font->name, font->shown});
    } else if (s.font != -1) {
        f.setProperty(kNamelessFace, true);
    }
    f.setFontPointSize(s.size / 2.0);
    if (s.bold)
        f.setFontWeight(QFont::Bold);
    if (s.italic)
        f.setFontItalic(true);
    if (s.underline)
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(s.underline));
    if (s.strike)
        f.setFontStrikeOut(true);
    if (s.valign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (s.valign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (s.caps == 1)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (s.caps == 2)
        f.setFontCapitalization(QFont::SmallCaps);
    const QColor fg = color(s.fg);
    if (fg.isValid())
        f.setForeground(fg);
    const QColor bg = color(s.bg);
    if (bg.isValid())
        f.setBackground(bg);
    if (s.cstyle)
        f.setProperty(kCharacterStyle, s.cstyle);
    QString href, instruction;
    if (s.link > 0 && s.link <= m_field.links.size()) {
        href = m_field.links.at(s.link - 1);
        f.setAnchor(true);
        f.setAnchorHref(href);
        if (const QString &tip = m_field.tooltips.at(s.link - 1); !tip.isEmpty())
            f.setToolTip(tip);
        if (const KeptLink &kept = m_field.kept.at(s.link - 1); !kept.instruction.isEmpty()) {
            f.setProperty(kKeptLink, QVariant::fromValue(kept));
            instruction = kept.instruction;
        }
    }
    applyKeptWords(f, s);
    const quint64 look = qHashMulti(0x5254, font != m_font.fonts.constEnd() ? font->name : QString(),
                                    s.size, fg.isValid() ? fg.rgba() : 1u, bg.isValid() ? bg.rgba() : 1u,
                                    s.bold, s.italic, s.underline, s.strike, s.valign, s.caps, href, instruction,
                                    s.up, s.expnd, s.scalex, keptHash(s.kept), s.cstyle);
    f.setProperty(kLookHash, int(quint32(look ^ (look >> 32))));
    return *(m_lastFormat = &*m_formats.insert(s, f));
}

} // namespace rtf::detail

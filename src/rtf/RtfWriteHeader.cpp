// The tables every part of a save shares, and the header that lists them:
// fonts, colours, lists, the stylesheet's place, \info and page setup.

#include "rtf/RtfProps.h"
#include "rtf/RtfUnits.h"
#include "rtf/RtfWriterImpl.h"
#include "base/Product.h"

#include <QFont>
#include <QTextList>
#include <QTextOption>

namespace rtf::writer {

Tables::Tables(const QTextDocument *doc) : styles(doc)
{
    const QFont def = doc->defaultFont();
    defaultFace = def.family();
    if (defaultFace.isEmpty()) // no font database (no GUI application)
        defaultFace = QStringLiteral("Times New Roman");
    double pt = def.pointSizeF();
    if (pt <= 0 && def.pixelSize() > 0)
        pt = def.pixelSize() * 0.75;
    if (pt <= 0)
        pt = 12;
    defaultHalfPoints = qMax(1, roundToInt(pt, kHalfPointsPerPoint));
    // \deff0 names the face the document's \deff named.
    const QString face = doc->rootFrame()->frameFormat().property(kDocumentSettings).value<DocumentSettings>().defaultFace;
    if (!face.isEmpty())
        fontIndex(face);
}

int Tables::fontIndex(const QString &face)
{
    auto it = fonts.constFind(face);
    if (it != fonts.constEnd())
        return *it;
    const int idx = int(fontNames.size());
    fonts.insert(face, idx);
    fontNames.append(face);
    return idx;
}

int Tables::colorIndex(const QColor &c)
{
    const QRgb rgb = c.rgb() | 0xff000000u;
    auto it = colors.constFind(rgb);
    if (it != colors.constEnd())
        return *it;
    const int idx = int(colorList.size()) + 1; // 0 is "auto"
    colors.insert(rgb, idx);
    colorList.append(rgb);
    return idx;
}

namespace {

// RTF's font family keyword helps a reader without the face pick a similar
// one. A guess from the name; \fnil when nothing fits.
const char *fontFamilyKeyword(const QString &face)
{
    const QString f = face.toLower();
    auto has = [&f](const char *s) { return f.contains(QLatin1String(s)); };
    if (has("symbol") || has("wingdings") || has("webdings"))
        return "\\ftech";
    if (has("courier") || has("mono") || has("consolas") || has("console") || has("fixed"))
        return "\\fmodern";
    if (has("script") || has("comic"))
        return "\\fscript";
    if (has("sans") || has("arial") || has("helvetica") || has("verdana") || has("tahoma")
        || has("calibri") || has("segoe") || has("trebuchet") || has("gothic"))
        return "\\fswiss";
    if (has("times") || has("serif") || has("roman") || has("georgia") || has("garamond")
        || has("cambria") || has("book") || has("palatino") || has("mincho"))
        return "\\froman";
    return "\\fnil";
}

void fontTable(Sink &o, const Tables &t)
{
    o.raw("{\\fonttbl");
    for (qsizetype i = 0; i < t.fontNames.size(); ++i) {
        o.softBreak();
        o.raw("{");
        o.word("\\f", int(i));
        o.word(fontFamilyKeyword(t.fontNames[i]));
        o.word("\\fcharset", 0);
        o.text(t.fontNames[i], true);
        o.raw(";}");
    }
    o.raw("}");
    o.newline();
}

void colorTable(Sink &o, const Tables &t)
{
    o.raw("{\\colortbl;");
    for (QRgb c : t.colorList) {
        o.softBreak();
        o.word("\\red", qRed(c));
        o.word("\\green", qGreen(c));
        o.word("\\blue", qBlue(c));
        o.raw(";");
    }
    o.raw("}");
    o.newline();
}

// The document area's words: page, margins, widows, notes.
void pageSetup(Sink &o, const DocumentSettings &s)
{
    const std::pair<const char *, int> values[] = {
        {"\\paperw", s.paperWidth}, {"\\paperh", s.paperHeight}, {"\\margl", s.marginLeft},
        {"\\margr", s.marginRight}, {"\\margt", s.marginTop},     {"\\margb", s.marginBottom},
        {"\\gutter", s.gutter},     {"\\headery", s.headerY},    {"\\footery", s.footerY}};
    for (const auto &[w, v] : values)
        if (v > 0)
            o.word(w, v);
    if (s.landscape)
        o.word("\\landscape");
    if (s.widowControl)
        o.word("\\widowctrl");
    if (!s.notes.isEmpty())
        o.words(s.notes);
    QByteArray kept;
    detail::appendDocWords(kept, s.words);
    if (!kept.isEmpty())
        o.words(kept);
}

} // namespace

void writeHeader(Sink &o, const QTextDocument *doc, Tables &tables)
{
    if (tables.fontNames.isEmpty())
        tables.fontIndex(tables.defaultFace);
    // Before the font table: the lists' bullets name faces of their own.
    const QByteArray lists = tables.lists.isEmpty()
        ? QByteArray()
        : tables.lists.tables([&tables](const QString &face) { return tables.fontIndex(face); },
                              [&tables](QRgb rgb) { return tables.colorIndex(QColor::fromRgba(rgb)); });
    o.reserve(256 + 48 * (tables.fontNames.size() + tables.colorList.size()));
    const DocumentSettings settings = doc->rootFrame()->frameFormat().property(kDocumentSettings).value<DocumentSettings>();
    o.raw("{\\rtf1\\ansi\\ansicpg1252\\deff0");
    if (settings.language > 0)
        o.word("\\deflang", settings.language);
    o.word("\\uc1");
    o.newline();
    fontTable(o, tables);
    colorTable(o, tables);
    if (!tables.styleSheet.isEmpty()) { // after the tables its styles refer to
        o.raw(tables.styleSheet);
        o.newline();
    }
    if (!lists.isEmpty())
        o.raw(lists);
    for (const QByteArray *group : {&settings.info, &settings.userProps}) {
        if (!group->isEmpty()) {
            o.raw(*group);
            o.newline();
        }
    }
    o.raw(("{\\*\\generator " + (product::name() + u' ' + product::version()).toLatin1() + ";}"));
    const KeptWord *view = settings.words.find("viewkind");
    o.word("\\viewkind", view ? view->value : 4);
    o.word("\\deftab", qMax(1, pixelsToTwips(doc->defaultTextOption().tabStopDistance())));
    pageSetup(o, settings);
    o.newline();
    if (!settings.background.isEmpty()) {
        o.raw(settings.background);
        o.newline();
    }
}

} // namespace rtf::writer

#include "rtf/Rtf.h"
#include "rtf/RtfUnits.h"
#include "base/Product.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <QVariant>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// QTextDocument to RTF in one pass over blocks and fragments. The body is
// written first while faces and colours get their table indexes in order of
// first use; the header with both tables is put in front at the end.
//
// Every run starts with \plain and its full set of properties. That costs a
// few bytes but makes the output independent of what came before, so a
// document read back from our own output writes byte for byte the same.
// A run whose properties equal the previous run's in the same group gets no
// prefix at all.

namespace rtf {
namespace {

// Long lines are broken before a control word once this many bytes are on
// the line; text without control words is broken at the hard limit (line
// ends carry no meaning in RTF text, so nothing is added to the text).
constexpr qsizetype kSoftLine = 200;
constexpr qsizetype kHardLine = 480;

// Text width the columns of a table share when it gives no widths of its
// own: 6.5 inches, the text width of a Letter page with 1-inch margins.
constexpr int kTableTwips = 9360;

// Tables inside tables deeper than this are written as plain paragraphs.
constexpr int kMaxNesting = 16;

// Windows-1252 byte of a Unicode character, or 0 when it has none.
unsigned char cp1252Byte(char16_t u)
{
    if (u < 0x80)
        return static_cast<unsigned char>(u);
    if (u >= 0xA0 && u <= 0xFF)
        return static_cast<unsigned char>(u);
    switch (u) {
    case 0x20AC: return 0x80;
    case 0x201A: return 0x82;
    case 0x0192: return 0x83;
    case 0x201E: return 0x84;
    case 0x2026: return 0x85;
    case 0x2020: return 0x86;
    case 0x2021: return 0x87;
    case 0x02C6: return 0x88;
    case 0x2030: return 0x89;
    case 0x0160: return 0x8A;
    case 0x2039: return 0x8B;
    case 0x0152: return 0x8C;
    case 0x017D: return 0x8E;
    case 0x2018: return 0x91;
    case 0x2019: return 0x92;
    case 0x201C: return 0x93;
    case 0x201D: return 0x94;
    case 0x2022: return 0x95;
    case 0x2013: return 0x96;
    case 0x2014: return 0x97;
    case 0x02DC: return 0x98;
    case 0x2122: return 0x99;
    case 0x0161: return 0x9A;
    case 0x203A: return 0x9B;
    case 0x0153: return 0x9C;
    case 0x017E: return 0x9E;
    case 0x0178: return 0x9F;
    default: return 0;
    }
}

const char kHexDigits[] = "0123456789abcdef";


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

// A header or footer kept beside the text (see kSectionParts in Rtf.h).
struct StoredPart {
    QString kind, content;
    static StoredPart parse(const QString &entry)
    {
        StoredPart p;
        const qsizetype i = entry.indexOf(u'\x1f');
        const qsizetype j = i < 0 ? -1 : entry.indexOf(u'\x1f', i + 1);
        const qsizetype k = j < 0 ? -1 : entry.indexOf(u'\x1f', j + 1);
        if (k < 0)
            return p;
        p.kind = entry.left(i);
        p.content = entry.mid(k + 1);
        return p;
    }
};

bool isSectionKind(const QString &kind)
{
    static const QStringList kinds{"header", "headerl", "headerr", "headerf",
                                   "footer", "footerl", "footerr", "footerf"};
    return kinds.contains(kind);
}

constexpr int kMaxPartNesting = 4;

// What a run looks like once its format has been looked at: cached per
// format index, so each distinct format is examined once.
struct RunInfo {
    QByteArray prefix; // \plain and the run's properties
    QString href;      // link target, empty when the run is no link
    bool image = false;
    // Superscript goes in a group of its own: LibreOffice holds back text
    // after a \super until the group around it ends (it waits for a
    // footnote mark), which loses the rest of a paragraph written flat.
    bool grouped = false;
    QString autoNumber; // a footnote number as read: written as \chftn
    std::optional<KeptPart> part; // an anchor's
};

class Writer {
public:
    explicit Writer(const QTextDocument *doc) : m_doc(doc)
    {
        const QFont def = doc->defaultFont();
        m_defaultFace = def.family();
        if (m_defaultFace.isEmpty()) // no font database (no GUI application)
            m_defaultFace = QStringLiteral("Times New Roman");
        double pt = def.pointSizeF();
        if (pt <= 0 && def.pixelSize() > 0)
            pt = def.pixelSize() * 0.75;
        if (pt <= 0)
            pt = 12;
        m_defaultHalfPoints = qMax(1, roundToInt(pt, kHalfPointsPerPoint));
    }

    int picturesLeftOut() const { return m_picturesLeftOut; }

    QByteArray run()
    {
        m_out.reserve(m_doc->characterCount() + m_doc->characterCount() / 8 + 4096);
        const QStringList sections = m_doc->rootFrame()->frameFormat().property(kSectionParts).toStringList();
        for (const QString &entry : sections) {
            const StoredPart p = StoredPart::parse(entry);
            if (!isSectionKind(p.kind))
                continue;
            openGroup();
            word(("\\" + p.kind.toLatin1()).constData());
            writeStoredContent(p.content);
            closeGroup();
            newline();
        }
        writeFlow(m_doc->rootFrame(), 0);
        // Every paragraph ends with \par, the last one too: a reader drops
        // nothing after the last mark, so trailing empty paragraphs survive.
        if (m_pendingPar) {
            word("\\par");
            newline();
        }

        if (m_fonts.isEmpty())
            fontIndex(m_defaultFace);

        // The header goes in front of the body: one copy, after which the
        // body buffer is dropped.
        Writer head(m_doc);
        head.m_out.reserve(256 + 48 * (m_fonts.size() + m_colors.size()));
        const DocumentSettings settings = m_doc->rootFrame()->frameFormat().property(kDocumentSettings).value<DocumentSettings>();
        head.raw("{\\rtf1\\ansi\\ansicpg1252\\deff0");
        if (settings.language > 0)
            head.word("\\deflang", settings.language);
        head.word("\\uc1");
        head.newline();
        head.raw("{\\fonttbl");
        for (qsizetype i = 0; i < m_fontNames.size(); ++i) {
            head.softBreak();
            head.raw("{");
            head.word("\\f", int(i));
            head.word(fontFamilyKeyword(m_fontNames[i]));
            head.word("\\fcharset", 0);
            head.text(m_fontNames[i], true);
            head.raw(";}");
        }
        head.raw("}");
        head.newline();
        head.raw("{\\colortbl;");
        for (QRgb c : std::as_const(m_colorList)) {
            head.softBreak();
            head.word("\\red", qRed(c));
            head.word("\\green", qGreen(c));
            head.word("\\blue", qBlue(c));
            head.raw(";");
        }
        head.raw("}");
        head.newline();
        if (!m_listFormats.isEmpty())
            head.listTables(m_listFormats);
        if (!settings.info.isEmpty()) {
            head.m_out.append(settings.info);
            head.newline();
        }
        head.raw("{\\*\\generator " + (product::name() + u' ' + product::version()).toLatin1() + ";}\\viewkind4");
        head.word("\\deftab", qMax(1, pixelsToTwips(m_doc->defaultTextOption().tabStopDistance())));
        head.pageSetup(settings);
        head.newline();

        QByteArray out;
        out.reserve(head.m_out.size() + m_out.size() + 4);
        out.append(head.m_out);
        out.append(m_out);
        m_out = QByteArray();
        out.append("}\r\n");
        return out;
    }

private:
    // The document area's words: page, margins, widows, notes.
    void pageSetup(const DocumentSettings &s)
    {
        const std::pair<const char *, int> values[] = {
            {"\\paperw", s.paperWidth}, {"\\paperh", s.paperHeight}, {"\\margl", s.marginLeft},
            {"\\margr", s.marginRight}, {"\\margt", s.marginTop},     {"\\margb", s.marginBottom},
            {"\\gutter", s.gutter},     {"\\headery", s.headerY},    {"\\footery", s.footerY}};
        for (const auto &[w, v] : values)
            if (v > 0)
                word(w, v);
        if (s.landscape)
            word("\\landscape");
        if (s.widowControl)
            word("\\widowctrl");
        if (!s.notes.isEmpty()) {
            softBreak();
            m_out.append(s.notes);
            m_needDelim = true;
        }
    }

    // ---- output primitives ------------------------------------------------

    void raw(const char *s)
    {
        m_out.append(s);
        m_needDelim = false;
    }

    void newline()
    {
        m_out.append("\r\n", 2);
        m_lineStart = m_out.size();
        m_needDelim = false;
    }

    void softBreak()
    {
        if (m_out.size() - m_lineStart >= kSoftLine)
            newline();
    }

    // A control word; w includes the backslash.
    void word(const char *w)
    {
        softBreak();
        m_out.append(w);
        m_needDelim = true;
    }

    void word(const char *w, int n)
    {
        softBreak();
        m_out.append(w);
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        m_out.append(buf, r.ptr - buf);
        m_needDelim = true;
    }

    void symbol(const char *s) // \~ \- \_ and the like: self-delimiting
    {
        softBreak();
        m_out.append(s);
        m_needDelim = false;
    }

    void openGroup()
    {
        m_out.append('{');
        m_needDelim = false;
        m_lastPrefix.clear();
    }

    void closeGroup()
    {
        m_out.append('}');
        m_needDelim = false;
        m_lastPrefix.clear();
    }

    // Characters as RTF text. ASCII goes as is (with \ { } escaped); the
    // rest as \uN followed by the Windows-1252 byte as fallback, or '?'.
    // With inFontTable set, ';' is escaped too, since it ends an entry.
    void text(const QString &s, bool inFontTable = false) { text(s.constData(), s.size(), inFontTable); }

    void text(const QChar *chars, qsizetype n, bool inFontTable = false)
    {
        if (n <= 0)
            return;
        // Worst case per UTF-16 unit: "\u-12345?" or "\u233\'e9" (12 bytes),
        // plus a line break now and then.
        const qsizetype old = m_out.size();
        m_out.resize(old + n * 12 + (n / 64 + 2) * 2 + 1);
        char *const base = m_out.data();
        char *p = base + old;
        char *lineStart = base + m_lineStart;
        bool needDelim = m_needDelim;

        auto control = [&](void) {
            // before a control word: keep lines short
            if (p - lineStart >= kSoftLine) {
                *p++ = '\r';
                *p++ = '\n';
                lineStart = p;
            }
            *p++ = '\\';
        };
        auto number = [&](int v) {
            auto r = std::to_chars(p, p + 8, v);
            p = r.ptr;
        };
        auto hexByte = [&](unsigned char b) {
            control();
            *p++ = '\'';
            *p++ = kHexDigits[b >> 4];
            *p++ = kHexDigits[b & 15];
        };

        for (qsizetype i = 0; i < n; ++i) {
            const char16_t u = chars[i].unicode();
            if (u >= 0x20 && u < 0x7F) {
                if (u == '\\' || u == '{' || u == '}') {
                    control();
                    *p++ = char(u);
                    needDelim = false;
                    continue;
                }
                if (inFontTable && u == ';') {
                    hexByte(';');
                    needDelim = false;
                    continue;
                }
                if (needDelim) {
                    // only a letter, digit, '-' or space would be taken
                    // into the control word (or eaten as its delimiter)
                    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
                        || u == ' ' || u == '-')
                        *p++ = ' ';
                    needDelim = false;
                } else if (p - lineStart >= kHardLine) {
                    *p++ = '\r';
                    *p++ = '\n';
                    lineStart = p;
                }
                *p++ = char(u);
                continue;
            }
            switch (u) {
            case u'\t':
                control();
                std::memcpy(p, "tab", 3);
                p += 3;
                needDelim = true;
                continue;
            case 0x2028: // line separator (Shift+Enter)
                control();
                std::memcpy(p, "line", 4);
                p += 4;
                needDelim = true;
                continue;
            case 0x00A0:
                control();
                *p++ = '~';
                needDelim = false;
                continue;
            case 0x00AD:
                control();
                *p++ = '-';
                needDelim = false;
                continue;
            case 0x2011:
                control();
                *p++ = '_';
                needDelim = false;
                continue;
            case 0x0000:
                continue; // NUL ends strings in too many readers
            default:
                break;
            }
            if (u < 0x20 || u == 0x7F) {
                hexByte(static_cast<unsigned char>(u));
                needDelim = false;
                continue;
            }
            // \uN takes a signed 16-bit N; characters beyond the BMP come
            // as their two surrogates, each a \uN of its own.
            control();
            *p++ = 'u';
            number(u > 32767 ? int(u) - 65536 : int(u));
            const unsigned char fb = cp1252Byte(u);
            if (fb) {
                *p++ = '\\';
                *p++ = '\'';
                *p++ = kHexDigits[fb >> 4];
                *p++ = kHexDigits[fb & 15];
            } else {
                *p++ = '?';
            }
            needDelim = false;
        }
        m_out.resize(p - base);
        m_lineStart = lineStart - base;
        m_needDelim = needDelim;
    }

    // ---- tables of faces and colours -------------------------------------

    int fontIndex(const QString &face)
    {
        auto it = m_fonts.constFind(face);
        if (it != m_fonts.constEnd())
            return *it;
        const int idx = int(m_fontNames.size());
        m_fonts.insert(face, idx);
        m_fontNames.append(face);
        return idx;
    }

    int listNumber(const QTextList *list)
    {
        auto it = m_listIds.constFind(list);
        if (it != m_listIds.constEnd())
            return *it;
        m_listFormats.append(list->format());
        const int n = int(m_listFormats.size());
        m_listIds.insert(list, n);
        return n;
    }

    // \listtable and \listoverridetable: one simple list per QTextList.
    void listTables(const QList<QTextListFormat> &lists)
    {
        raw("{\\*\\listtable");
        for (qsizetype i = 0; i < lists.size(); ++i) {
            const QTextListFormat &f = lists[i];
            const int id = int(i) + 1;
            newline();
            raw("{\\list");
            word("\\listtemplateid", id);
            word("\\listsimple", 1);
            raw("{\\listlevel");
            m_needDelim = true;
            int nfc = 23;
            switch (f.style()) {
            case QTextListFormat::ListDecimal: nfc = 0; break;
            case QTextListFormat::ListUpperRoman: nfc = 1; break;
            case QTextListFormat::ListLowerRoman: nfc = 2; break;
            case QTextListFormat::ListUpperAlpha: nfc = 3; break;
            case QTextListFormat::ListLowerAlpha: nfc = 4; break;
            default: break;
            }
            word("\\levelnfc", nfc);
            word("\\levelnfcn", nfc);
            word("\\leveljc", 0);
            word("\\levelfollow", 0);
            word("\\levelstartat", f.hasProperty(kListStart) ? f.intProperty(kListStart) : 1);
            raw("{\\leveltext");
            m_needDelim = true;
            if (nfc == 23) {
                QString bullet = f.stringProperty(kListBullet);
                if (!f.hasProperty(kListBullet))
                    bullet = f.style() == QTextListFormat::ListCircle   ? QString(QChar(0x25E6))
                           : f.style() == QTextListFormat::ListSquare ? QString(QChar(0x25AA))
                                                                        : QString(QChar(0x2022));
                hexByte(uchar(bullet.size()));
                text(bullet);
                raw(";}{\\levelnumbers;}");
            } else {
                const QString prefix = f.numberPrefix().left(20), suffix = f.numberSuffix().left(20);
                hexByte(uchar(prefix.size() + 1 + suffix.size()));
                text(prefix);
                hexByte(0);
                text(suffix);
                raw(";}{\\levelnumbers");
                hexByte(uchar(prefix.size() + 1));
                raw(";}");
            }
            const int fi = f.hasProperty(kListFirstIndent) ? f.intProperty(kListFirstIndent) : -kListHangTwips;
            word("\\fi", fi);
            word("\\li", qMax(0, -fi));
            raw("}{\\listname ;}");
            word("\\listid", id);
            raw("}");
        }
        raw("}");
        newline();
        raw("{\\*\\listoverridetable");
        for (qsizetype i = 0; i < lists.size(); ++i) {
            raw("{\\listoverride");
            word("\\listid", int(i) + 1);
            word("\\listoverridecount", 0);
            word("\\ls", int(i) + 1);
            raw("}");
        }
        raw("}");
        newline();
    }

    void hexByte(uchar b)
    {
        const char s[] = {'\\', '\'', kHexDigits[b >> 4], kHexDigits[b & 15], 0};
        raw(s);
    }

    int colorIndex(const QColor &c)
    {
        const QRgb rgb = c.rgb() | 0xff000000u;
        auto it = m_colors.constFind(rgb);
        if (it != m_colors.constEnd())
            return *it;
        const int idx = int(m_colorList.size()) + 1; // 0 is "auto"
        m_colors.insert(rgb, idx);
        m_colorList.append(rgb);
        return idx;
    }

    // ---- character formats ------------------------------------------------

    QString faceOf(const QTextCharFormat &f) const
    {
        const QVariant fams = f.property(QTextFormat::FontFamilies);
        if (fams.isValid()) {
            const QStringList l = fams.toStringList();
            if (!l.isEmpty() && !l.first().isEmpty()) {
                // The document's face, while it is still shown as read.
                const QStringList kept = f.property(kFontFace).toStringList();
                return kept.size() == 2 && kept[1] == l.first() ? kept[0] : l.first();
            }
        }
        const QString fam = f.property(QTextFormat::FontFamily).toString();
        if (!fam.isEmpty())
            return fam;
        return m_defaultFace;
    }

    int halfPointsOf(const QTextCharFormat &f) const
    {
        double pt = f.fontPointSize();
        if (pt <= 0 && f.hasProperty(QTextFormat::FontPixelSize))
            pt = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
        if (pt <= 0)
            return m_defaultHalfPoints;
        return qBound(1, roundToInt(pt, kHalfPointsPerPoint), 32767);
    }

    QByteArray prefixOf(const QTextCharFormat &f)
    {
        // Built with the same primitives as the body, then cut out of it,
        // so delimiters and numbers come out exactly as everywhere else.
        const qsizetype start = m_out.size();
        const qsizetype lineStart = m_lineStart;
        const bool needDelim = m_needDelim; // the body's, as it was
        m_out.append("\\plain");
        m_needDelim = true;
        word("\\f", fontIndex(faceOf(f)));
        word("\\fs", halfPointsOf(f));
        if (f.fontWeight() >= QFont::Bold)
            word("\\b");
        if (f.fontItalic())
            word("\\i");
        switch (f.underlineStyle()) {
        case QTextCharFormat::NoUnderline:
        case QTextCharFormat::SpellCheckUnderline: // an editor mark, not formatting
            if (f.fontUnderline())
                word("\\ul");
            break;
        case QTextCharFormat::DashUnderline: word("\\uldash"); break;
        case QTextCharFormat::DotLine: word("\\uld"); break;
        case QTextCharFormat::DashDotLine: word("\\uldashd"); break;
        case QTextCharFormat::DashDotDotLine: word("\\uldashdd"); break;
        case QTextCharFormat::WaveUnderline: word("\\ulwave"); break;
        default: word("\\ul"); break;
        }
        if (f.fontStrikeOut())
            word("\\strike");
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            word("\\super");
        else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
            word("\\sub");
        if (f.hasProperty(QTextFormat::FontCapitalization)) {
            if (f.fontCapitalization() == QFont::AllUppercase)
                word("\\caps");
            else if (f.fontCapitalization() == QFont::SmallCaps)
                word("\\scaps");
        }
        const QBrush fg = f.foreground();
        if (fg.style() != Qt::NoBrush)
            word("\\cf", colorIndex(fg.color()));
        const QBrush bg = f.background();
        if (bg.style() != Qt::NoBrush) {
            // \highlight for Word and WordPad, \cb for TextEdit and others
            const int ci = colorIndex(bg.color());
            word("\\cb", ci);
            word("\\highlight", ci);
        }
        QByteArray prefix = m_out.mid(start);
        prefix.replace("\r\n", ""); // a break the soft limit put in
        m_out.truncate(start);
        m_lineStart = lineStart;
        m_needDelim = needDelim;
        return prefix;
    }

    const RunInfo &runInfo(int formatIndex, const QTextCharFormat &fmt)
    {
        if (formatIndex >= 0 && formatIndex < int(m_runCache.size()) && m_runCache[formatIndex])
            return *m_runCache[formatIndex];
        auto info = std::make_unique<RunInfo>();
        info->prefix = prefixOf(fmt);
        if (fmt.isAnchor())
            info->href = fmt.anchorHref();
        info->image = fmt.isImageFormat();
        info->grouped = fmt.verticalAlignment() == QTextCharFormat::AlignSuperScript;
        info->autoNumber = fmt.stringProperty(kAutoNumber);
        info->part = keptPart(fmt);
        if (formatIndex < 0) { // not expected; no caching then
            m_scratch = std::move(info);
            return *m_scratch;
        }
        if (formatIndex >= int(m_runCache.size()))
            m_runCache.resize(formatIndex + 1);
        m_runCache[formatIndex] = std::move(info);
        return *m_runCache[formatIndex];
    }

    void applyPrefix(const QByteArray &prefix)
    {
        if (prefix == m_lastPrefix)
            return;
        softBreak();
        m_out.append(prefix);
        m_needDelim = true;
        m_lastPrefix = prefix;
    }

    // ---- links ------------------------------------------------------------

    void openLink(const QString &href)
    {
        openGroup();
        QString target = href;
        if (target.startsWith(QLatin1Char('#'))) { // a place in this document
            raw("\\field{\\*\\fldinst{HYPERLINK \\\\l \"");
            target.remove(0, 1);
        } else {
            raw("\\field{\\*\\fldinst{HYPERLINK \"");
        }
        target.replace(QLatin1Char('"'), QLatin1String("%22"));
        text(target);
        raw("\"}}{\\fldrslt{");
        m_lastPrefix.clear();
        m_linkOpen = true;
        m_link = href;
    }

    void closeLink()
    {
        if (!m_linkOpen)
            return;
        raw("}}}");
        m_lastPrefix.clear();
        m_linkOpen = false;
        m_link.clear();
    }

    // ---- parts the editor does not show -------------------------------------

    // One anchor's part, in its own group: the look around it is the same
    // after it as before.
    void writeKeptPart(const KeptPart &p, const QByteArray &prefix)
    {
        const QByteArray last = m_lastPrefix;
        switch (p.kind) {
        case KeptPart::Hidden:
            openGroup();
            applyPrefix(prefix);
            word("\\v");
            text(p.content);
            closeGroup();
            break;
        case KeptPart::Footnote:
        case KeptPart::Endnote:
            openGroup();
            word("\\footnote");
            if (p.kind == KeptPart::Endnote)
                word("\\ftnalt");
            writeStoredContent(p.content);
            closeGroup();
            break;
        case KeptPart::Annotation:
            raw("{\\*\\atnid ");
            text(p.id);
            raw("}{\\*\\atnauthor ");
            text(p.author);
            raw("}");
            word("\\chatn");
            raw("{\\*\\annotation");
            m_needDelim = true;
            writeStoredContent(p.content);
            closeGroup();
            break;
        case KeptPart::PageBreak: // at a paragraph's start: the reader makes none of its own
            word("\\page");
            break;
        case KeptPart::Section:
            if (p.sectionBreak)
                word("\\sect");
            sectionWords(p.content);
            break;
        }
        m_lastPrefix = last;
    }

    void sectionWords(const QString &words)
    {
        if (words.isEmpty())
            return;
        softBreak();
        m_out.append(words.toLatin1());
        m_needDelim = true;
    }

    // The section a block starts after a \sect, if any: its anchor is the
    // block's first character.
    static std::optional<KeptPart> sectionAt(const QTextBlock &block)
    {
        auto it = block.begin();
        if (it.atEnd() || block.document()->characterAt(block.position()) != QChar::ObjectReplacementCharacter)
            return std::nullopt;
        std::optional<KeptPart> p = keptPart(it.fragment().charFormat());
        if (!p || p->kind != KeptPart::Section || !p->sectionBreak)
            return std::nullopt;
        return p;
    }

    // A part kept as RTF of its own: its paragraphs, written with this
    // document's font and colour tables.
    void writeStoredContent(const QString &content)
    {
        QTextDocument part;
        if (m_partDepth >= kMaxPartNesting || !rtf::read(content.toLatin1(), &part))
            return;
        ++m_partDepth;
        const QTextDocument *doc = m_doc;
        std::vector<std::unique_ptr<RunInfo>> cache;
        std::swap(cache, m_runCache); // format indexes are per document
        const bool pending = m_pendingPar;
        // A part inside a link has links of its own: the one around it
        // stays open, untouched, until the part is done.
        const bool linkOpen = m_linkOpen;
        const QString link = m_link;
        m_linkOpen = false;
        m_link.clear();
        m_doc = &part;
        m_pendingPar = false;
        m_lastPrefix.clear();
        writeFlow(part.rootFrame(), 0);
        if (m_pendingPar)
            word("\\par");
        m_doc = doc;
        std::swap(cache, m_runCache);
        m_pendingPar = pending;
        m_linkOpen = linkOpen;
        m_link = link;
        m_lastPrefix.clear();
        --m_partDepth;
    }

    // ---- pictures -----------------------------------------------------------

    // PNG and JPEG go out as the bytes they came as, never decoded: a photo
    // over Qt's image size limit does not decode at all, and a decoded copy
    // would not be the same file. Anything else is written as PNG.
    void writeImage(const QTextImageFormat &fmt)
    {
        const QVariant res = m_doc->resource(QTextDocument::ImageResource, QUrl(fmt.name()));
        QByteArray data;
        const char *blip = nullptr;
        QSize natural;
        if (res.typeId() == QMetaType::QByteArray) {
            data = res.toByteArray();
            const char *format = nullptr;
            if (data.startsWith("\x89PNG\r\n\x1a\n")) {
                blip = "\\pngblip";
                format = "png";
            } else if (data.startsWith("\xff\xd8")) {
                blip = "\\jpegblip";
                format = "jpeg";
            }
            if (format) {
                QBuffer buf(&data);
                buf.open(QIODevice::ReadOnly);
                natural = QImageReader(&buf, format).size(); // reads the header only
            }
        }
        if (!blip) {
            const QImage img = res.typeId() == QMetaType::QByteArray ? QImage::fromData(data) : res.value<QImage>();
            data.clear();
            QBuffer buf(&data);
            buf.open(QIODevice::WriteOnly);
            if (img.isNull() || !img.save(&buf, "PNG")) {
                ++m_picturesLeftOut; // the caller says so
                return;
            }
            blip = "\\pngblip";
            natural = img.size();
        }
        const double w = fmt.width() > 0 ? fmt.width() : natural.width();
        const double h = fmt.height() > 0 ? fmt.height() : natural.height();
        if (!natural.isValid()) // bytes whose header Qt cannot read: still kept
            natural = QSize(qMax(1, qRound(w)), qMax(1, qRound(h)));

        openGroup();
        raw("\\pict");
        word(blip);
        word("\\picw", natural.width());
        word("\\pich", natural.height());
        // pixels at 96 dpi, 15 twips each
        word("\\picwgoal", pixelsToTwips(w));
        word("\\pichgoal", pixelsToTwips(h));
        newline();
        const qsizetype old = m_out.size();
        const qsizetype n = data.size();
        m_out.resize(old + n * 2 + (n / 64 + 1) * 2);
        char *p = m_out.data() + old;
        const auto *src = reinterpret_cast<const unsigned char *>(data.constData());
        for (qsizetype i = 0; i < n; ++i) {
            if (i && i % 64 == 0) {
                *p++ = '\r';
                *p++ = '\n';
            }
            *p++ = kHexDigits[src[i] >> 4];
            *p++ = kHexDigits[src[i] & 15];
        }
        m_out.resize(p - m_out.data());
        m_lineStart = m_out.lastIndexOf('\n') + 1;
        closeGroup();
    }

    // ---- paragraphs -------------------------------------------------------

    // level: 0 outside tables, 1 in a table, 2 and up in nested tables
    void paragraphProperties(const QTextBlockFormat &bf, int level, const QTextList *list = nullptr)
    {
        word("\\pard");
        if (level > 0)
            word("\\intbl");
        if (level > 1)
            word("\\itap", level);
        if (bf.layoutDirection() == Qt::RightToLeft)
            word("\\rtlpar");
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignJustify)
            word("\\qj");
        else if (a & Qt::AlignHCenter)
            word("\\qc");
        else if (a & (Qt::AlignRight | Qt::AlignTrailing))
            word("\\qr");
        // left is what \pard sets

        double left = bf.leftMargin();
        if (bf.indent() > 0)
            left += bf.indent() * m_doc->indentWidth();
        int fi = pixelsToTwips(bf.textIndent());
        if (list) {
            // The marker hangs in the first line's indent.
            const QTextListFormat lf = list->format();
            left += qMax(0, lf.indent()) * m_doc->indentWidth();
            fi = lf.hasProperty(kListFirstIndent) ? lf.intProperty(kListFirstIndent) : -kListHangTwips;
            word("\\ls", listNumber(list));
            word("\\ilvl", 0);
        }
        if (const int v = pixelsToTwips(left))
            word("\\li", v);
        if (const int v = pixelsToTwips(bf.rightMargin()))
            word("\\ri", v);
        if (fi)
            word("\\fi", fi);
        if (const int v = pixelsToTwips(bf.topMargin()))
            word("\\sb", v);
        if (const int v = pixelsToTwips(bf.bottomMargin()))
            word("\\sa", v);
        switch (bf.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            if (bf.lineHeight() > 0 && qRound(bf.lineHeight()) != 100) {
                word("\\sl", qBound(1, roundToInt(bf.lineHeight() * kTwipsSingleLine / 100.0), 31680));
                word("\\slmult", 1);
            }
            break;
        case QTextBlockFormat::FixedHeight:
            if (const int v = qBound(0, pixelsToTwips(bf.lineHeight()), 31680)) {
                word("\\sl", -v);
                word("\\slmult", 0);
            }
            break;
        case QTextBlockFormat::MinimumHeight:
            if (const int v = qBound(0, pixelsToTwips(bf.lineHeight()), 31680)) {
                word("\\sl", v);
                word("\\slmult", 0);
            }
            break;
        default: break;
        }
        const QList<QTextOption::Tab> tabs = bf.tabPositions();
        const QString leaders = bf.stringProperty(kTabLeaders);
        for (qsizetype i = 0; i < tabs.size(); ++i) {
            static const char *const leaderWords[] = {nullptr, "\\tldot", "\\tlhyph", "\\tlul", "\\tlth", "\\tleq"};
            const char *hit = i < leaders.size() ? std::strchr(kTabLeaderChars, leaders.at(i).toLatin1()) : nullptr;
            if (hit && *hit && leaderWords[hit - kTabLeaderChars])
                word(leaderWords[hit - kTabLeaderChars]);
            switch (tabs[i].type) {
            case QTextOption::RightTab: word("\\tqr"); break;
            case QTextOption::CenterTab: word("\\tqc"); break;
            case QTextOption::DelimiterTab: word("\\tqdec"); break;
            default: break;
            }
            word("\\tx", qBound(0, pixelsToTwips(tabs[i].position), 31680));
        }
        if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            word("\\pagebb");
        m_lastPrefix.clear(); // \pard leaves character properties alone, but
                              // a fresh start per paragraph keeps it simple
    }

    void writeBlock(const QTextBlock &block, int level)
    {
        // The pieces of one paragraph (see kParagraphJoin) are written as it.
        const bool joined = joinsPrevious(block);
        const bool joinsNext = block.next().isValid() && joinsPrevious(block.next());
        if (joined)
            m_pendingPar = false;
        // A section's break ends the paragraph before it: \sect instead of \par.
        bool sectionWritten = false;
        if (m_pendingPar) {
            if (const std::optional<KeptPart> section = sectionAt(block)) {
                word("\\sect");
                sectionWords(section->content);
                sectionWritten = true;
            } else {
                word("\\par");
            }
            newline();
            m_pendingPar = false;
        }
        const QTextList *list = block.textList();
        if (!joined)
            paragraphProperties(paragraphFormat(block), level, list);
        if (list && !joined) { // the marker as text, for readers without list tables
            raw("{\\listtext\\pard\\plain ");
            text(listMarker(block));
            word("\\tab");
            closeGroup();
        }

        bool any = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid())
                continue;
            const int fi = frag.charFormatIndex();
            const QTextCharFormat fmt = frag.charFormat();
            const RunInfo &info = runInfo(fi, fmt);
            if (info.href != m_link) {
                closeLink();
                if (!info.href.isEmpty())
                    openLink(info.href);
            }
            any = true;
            if (info.part) {
                // Equal anchors side by side share a fragment: one part each.
                // A note's mark is in the anchor's look (a superscript one
                // in a group of its own, as text is); hidden text has its
                // look inside its group.
                const QString t = frag.text();
                const bool hidden = info.part->kind == KeptPart::Hidden;
                const bool lookless = info.part->kind == KeptPart::PageBreak || info.part->kind == KeptPart::Section;
                for (QChar c : t) {
                    if (c != QChar::ObjectReplacementCharacter)
                        continue;
                    if (sectionWritten) { // written for the \par
                        sectionWritten = false;
                        continue;
                    }
                    const bool own = info.grouped && !hidden && !lookless;
                    if (own)
                        openGroup();
                    if (!hidden && !lookless)
                        applyPrefix(info.prefix);
                    writeKeptPart(*info.part, info.prefix);
                    if (own)
                        closeGroup();
                }
            } else if (info.image) {
                const QString t = frag.text();
                const QTextImageFormat imf = fmt.toImageFormat();
                for (QChar c : t) {
                    if (c == QChar::ObjectReplacementCharacter)
                        writeImage(imf);
                }
            } else {
                QString t = frag.text();
                if (!info.autoNumber.isEmpty() && t.startsWith(info.autoNumber)) {
                    // The number, then whatever was typed after it in its look.
                    openGroup();
                    applyPrefix(info.prefix);
                    word("\\chftn");
                    closeGroup();
                    t.remove(0, info.autoNumber.size());
                }
                if (t.isEmpty()) {
                } else if (info.grouped) {
                    openGroup();
                    applyPrefix(info.prefix);
                    text(t.constData(), t.size());
                    closeGroup();
                } else {
                    applyPrefix(info.prefix);
                    text(t.constData(), t.size());
                }
            }
        }
        if (!joinsNext)
            closeLink();
        if (!any && !joined && !joinsNext) {
            // An empty paragraph still has a font and size: they set its
            // height. (Not raised or lowered: see RunInfo::grouped.)
            QTextCharFormat cf = block.charFormat();
            if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
                cf.clearProperty(QTextFormat::TextVerticalAlignment);
                applyPrefix(runInfo(-1, cf).prefix);
            } else {
                applyPrefix(runInfo(block.charFormatIndex(), cf).prefix);
            }
        }
        m_pendingPar = true;
    }

    // Blocks and frames of a frame (or of a table cell) in order. Frames
    // that are not tables are written as their paragraphs.
    void writeFlow(QTextFrame *frame, int level)
    {
        for (auto it = frame->begin(); !it.atEnd(); ++it)
            writeItem(it, level);
    }

    void writeItem(const QTextFrame::iterator &it, int level)
    {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child)) {
                if (level < kMaxNesting)
                    writeTable(table, level + 1);
                else
                    writeTableFlat(table, level);
            } else {
                writeFlow(child, level);
            }
        } else {
            const QTextBlock b = it.currentBlock();
            if (!b.isValid())
                return;
            if (level == 0 && b.length() == 1 && b.blockFormat().hasProperty(kTableSeam) && continuesTable(it))
                return; // only shown between the slices of one table
            if (level == 0 && b.position() == 0 && b.length() == 1 && b.blockFormat().hasProperty(kLeadingStandIn))
                return; // only there because a table opens the document
            const int flat = level == kShownTableNesting ? b.blockFormat().intProperty(kNestLevel) : 0;
            if (flat > level) {
                writeBlock(b, flat);
                writeFlatEnds(b.blockFormat());
            } else {
                writeBlock(b, level);
            }
        }
    }

    static bool continuesTable(QTextFrame::iterator it)
    {
        ++it;
        const auto *table = qobject_cast<QTextTable *>(it.currentFrame());
        return table && table->format().boolProperty(kTableContinues);
    }

    // What follows a paragraph of a table shown flat: the end of its cell
    // and of its row, as writeTable writes them for a nested table.
    void writeFlatEnds(const QTextBlockFormat &bf)
    {
        if (bf.boolProperty(kNestCellEnd)) {
            m_pendingPar = false;
            word("\\nestcell");
            m_lastPrefix.clear();
        }
        const QString row = bf.stringProperty(kNestRow);
        if (row.isEmpty())
            return;
        m_pendingPar = false;
        openGroup();
        raw("\\*\\nesttableprops");
        m_needDelim = true;
        flatRowDefinition(row);
        word("\\nestrow");
        closeGroup();
        raw("{\\nonesttables\\par}");
        newline();
        m_lastPrefix.clear();
    }

    // A row definition kept as the reader read it: "gaph align height",
    // then per cell "right hmerge vmerge valign background shading" and
    // "style width colour" per side (colours as RGB, -1 none).
    void flatRowDefinition(const QString &spec)
    {
        const QStringList parts = spec.split(u'|');
        const QStringList head = parts.value(0).split(u' ');
        word("\\trowd");
        if (const int gaph = head.value(0).toInt(); gaph >= 0)
            word("\\trgaph", gaph);
        if (head.value(1) == u"1")
            word("\\trqc");
        else if (head.value(1) == u"2")
            word("\\trqr");
        if (const int h = head.value(2).toInt())
            word("\\trrh", h);
        static const char *const sides[] = {"\\clbrdrt", "\\clbrdrl", "\\clbrdrb", "\\clbrdrr"};
        static const char *const styles[] = {"\\brdrnone", "\\brdrs", "\\brdrdb", "\\brdrdot",
                                             "\\brdrdash", "\\brdrinset", "\\brdroutset"};
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QStringList f = parts[i].split(u' ');
            if (f.size() != 18)
                continue;
            auto v = [&f](int k) { return f[k].toInt(); };
            if (v(1) == 1)
                word("\\clmgf");
            else if (v(1) == 2)
                word("\\clmrg");
            if (v(2) == 1)
                word("\\clvmgf");
            else if (v(2) == 2)
                word("\\clvmrg");
            if (v(3) == 1)
                word("\\clvertalc");
            else if (v(3) == 2)
                word("\\clvertalb");
            if (v(4) >= 0)
                word("\\clcbpat", colorIndex(QColor::fromRgb(QRgb(v(4)))));
            if (v(5) >= 0)
                word("\\clshdng", v(5));
            for (int side = 0; side < 4; ++side) {
                const int style = v(6 + 3 * side), width = v(7 + 3 * side), color = v(8 + 3 * side);
                if (style < 0 || style > 6)
                    continue;
                word(sides[side]);
                word(styles[style]);
                if (width > 0)
                    word("\\brdrw", width);
                if (color >= 0)
                    word("\\brdrcf", colorIndex(QColor::fromRgb(QRgb(color))));
            }
            word("\\cellx", v(0));
        }
    }

    void writeCellContent(const QTextTableCell &cell, int level)
    {
        for (auto it = cell.begin(); !it.atEnd(); ++it)
            writeItem(it, level);
    }

    // Tables nested deeper than readers go: their cells' paragraphs in
    // reading order, so no text is lost, without the grid.
    void writeTableFlat(QTextTable *table, int level)
    {
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (!cell.isValid() || isContinuation(table, cell, r, c))
                    continue;
                writeCellContent(cell, level);
            }
        }
    }

    std::vector<int> columnEdges(QTextTable *table) const
    {
        const int cols = table->columns();
        const QTextTableFormat tf = table->format();
        const QList<QTextLength> cons = tf.columnWidthConstraints();

        int total = kTableTwips;
        const QTextLength tw = tf.width();
        if (tw.type() == QTextLength::FixedLength && tw.rawValue() > 0)
            total = pixelsToTwips(tw.rawValue());
        else if (tw.type() == QTextLength::PercentageLength && tw.rawValue() > 0)
            total = roundToInt(kTableTwips * tw.rawValue() / 100.0);

        std::vector<double> widths(cols, -1);
        double used = 0;
        int variable = 0;
        for (int c = 0; c < cols; ++c) {
            const QTextLength l = c < cons.size() ? cons[c] : QTextLength();
            if (l.type() == QTextLength::FixedLength && l.rawValue() > 0)
                widths[c] = l.rawValue() * kTwipsPerPixel;
            else if (l.type() == QTextLength::PercentageLength && l.rawValue() > 0)
                widths[c] = total * l.rawValue() / 100.0;
            if (widths[c] >= 0)
                used += widths[c];
            else
                ++variable;
        }
        const double share = variable ? qMax(360.0, (total - used) / variable) : 0;
        std::vector<int> edges(cols);
        double x = 0;
        for (int c = 0; c < cols; ++c) {
            x += widths[c] >= 0 ? widths[c] : share;
            edges[c] = qMax(c ? edges[c - 1] + 1 : 1, roundToInt(x));
        }
        return edges;
    }

    // A cell's own row and column, and where it ends, each cost Qt a search
    // of the table's cells that walks the document's tree at every step: a
    // million cells took minutes. The grid, and one walk through the table
    // in document order, say the same at no cost.
    static bool isContinuation(QTextTable *table, const QTextTableCell &cell, int r, int c)
    {
        return (r > 0 && table->cellAt(r - 1, c) == cell) || (c > 0 && table->cellAt(r, c - 1) == cell);
    }

    struct RowCell {
        QTextTableCell cell;
        int column;
        bool covered; // the place belongs to a cell from a row above
    };

    // The cells of row r, each once (a cell spanning columns is one cell;
    // a place covered by a cell from a row above is that cell again).
    static std::vector<RowCell> rowCells(QTextTable *table, int r)
    {
        std::vector<RowCell> cells;
        const int cols = table->columns();
        for (int c = 0; c < cols;) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid()) {
                ++c;
                continue;
            }
            cells.push_back({cell, c, r > 0 && table->cellAt(r - 1, c) == cell});
            c += qMax(1, cell.columnSpan());
        }
        return cells;
    }

    // Where each cell's content starts, in document order.
    static std::vector<int> cellStarts(QTextTable *table)
    {
        std::vector<int> starts;
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.isValid() && !isContinuation(table, cell, r, c))
                    starts.push_back(cell.firstPosition());
            }
        return starts;
    }

    // \trowd and the cell definitions of one row.
    void rowDefinition(QTextTable *table, int r, const std::vector<RowCell> &cells,
                       const std::vector<int> &edges)
    {
        const QTextTableFormat tf = table->format();
        // Tables made in the editor have one border for all cells; tables
        // read from RTF have each cell's own.
        const bool borders = tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None;
        const int borderTwips = qBound(1, pixelsToTwips(tf.border()), 75);
        const int cols = table->columns();

        word("\\trowd");
        word("\\trgaph", tf.hasProperty(QTextFormat::TableCellPadding)
                              ? qBound(0, pixelsToTwips(tf.cellPadding()), 1440) : 108);
        word("\\trleft", 0);
        if (r < tf.headerRowCount())
            word("\\trhdr");
        const Qt::Alignment ta = tf.alignment() & Qt::AlignHorizontal_Mask;
        if (ta & Qt::AlignHCenter)
            word("\\trqc");
        else if (ta & (Qt::AlignRight | Qt::AlignTrailing))
            word("\\trqr");
        if (!cells.empty()) {
            if (const int h = cells.front().cell.format().intProperty(kRowHeight))
                word("\\trrh", h);
        }
        for (const RowCell &rc : cells) {
            const QTextTableCell &cell = rc.cell;
            const QTextTableCellFormat cf = cell.format().toTableCellFormat();
            if (rc.covered)
                word("\\clvmrg");
            else if (cell.rowSpan() > 1)
                word("\\clvmgf");
            if (cf.verticalAlignment() == QTextCharFormat::AlignMiddle)
                word("\\clvertalc");
            else if (cf.verticalAlignment() == QTextCharFormat::AlignBottom)
                word("\\clvertalb");
            const QBrush bg = cf.background();
            if (bg.style() != Qt::NoBrush)
                word("\\clcbpat", colorIndex(bg.color()));
            cellBorders(cf, borders ? &tf : nullptr, borderTwips);
            const int last = qBound(0, rc.column + cell.columnSpan() - 1, cols - 1);
            word("\\cellx", edges[size_t(last)]);
        }
    }

    void borderStyle(QTextFrameFormat::BorderStyle style)
    {
        switch (style) {
        case QTextFrameFormat::BorderStyle_Double: word("\\brdrdb"); break;
        case QTextFrameFormat::BorderStyle_Dotted: word("\\brdrdot"); break;
        case QTextFrameFormat::BorderStyle_Dashed: word("\\brdrdash"); break;
        case QTextFrameFormat::BorderStyle_Inset: word("\\brdrinset"); break;
        case QTextFrameFormat::BorderStyle_Outset: word("\\brdroutset"); break;
        default: word("\\brdrs"); break;
        }
    }

    // Each side of a cell: its own border where it has one set (none is
    // written as no words), else the table's, if the table has one.
    void cellBorders(const QTextTableCellFormat &cf, const QTextTableFormat *table, int tableTwips)
    {
        struct Side {
            const char *word;
            int width, style, brush;
        };
        static const Side sides[] = {
            {"\\clbrdrt", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle,
             QTextFormat::TableCellTopBorderBrush},
            {"\\clbrdrl", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle,
             QTextFormat::TableCellLeftBorderBrush},
            {"\\clbrdrb", QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle,
             QTextFormat::TableCellBottomBorderBrush},
            {"\\clbrdrr", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle,
             QTextFormat::TableCellRightBorderBrush},
        };
        for (const Side &s : sides) {
            int twips = tableTwips;
            QTextFrameFormat::BorderStyle style;
            QBrush brush;
            if (cf.hasProperty(s.style)) {
                style = QTextFrameFormat::BorderStyle(cf.intProperty(s.style));
                const double width = cf.doubleProperty(s.width);
                if (width <= 0)
                    continue;
                twips = qBound(1, pixelsToTwips(width), 1440);
                brush = cf.brushProperty(s.brush);
            } else if (table) {
                style = table->borderStyle();
                brush = table->borderBrush();
            } else {
                continue;
            }
            if (style == QTextFrameFormat::BorderStyle_None)
                continue;
            word(s.word);
            borderStyle(style);
            word("\\brdrw", twips);
            if (brush.style() != Qt::NoBrush && brush.color() != QColor(Qt::black))
                word("\\brdrcf", colorIndex(brush.color()));
        }
    }

    // A table at nesting level 1 (\trowd ... \cell ... \row) or deeper (the
    // cells end with \nestcell and the row definition follows them in
    // \nesttableprops, as Word writes it).
    void writeTable(QTextTable *table, int level)
    {
        // The paragraph before the table keeps its \par: in RTF a table row
        // starts a paragraph of its own.
        if (m_pendingPar) {
            word("\\par");
            newline();
            m_pendingPar = false;
        }
        const std::vector<int> edges = columnEdges(table);
        const std::vector<int> starts = cellStarts(table);
        size_t next = 1; // into starts: where the cell being written ends
        QTextFrame::iterator it = table->begin();
        const bool nested = level > 1;
        for (int r = 0; r < table->rows(); ++r) {
            const std::vector<RowCell> cells = rowCells(table, r);
            if (!nested) {
                rowDefinition(table, r, cells, edges);
                newline();
            }
            for (const RowCell &rc : cells) {
                if (rc.covered) {
                    // covered by the cell above: an empty paragraph
                    paragraphProperties(QTextBlockFormat(), level);
                } else {
                    const int end = next < starts.size() ? starts[next] : INT_MAX;
                    ++next;
                    for (; !it.atEnd(); ++it) {
                        const int at = it.currentFrame() ? it.currentFrame()->firstPosition() : it.currentBlock().position();
                        if (at >= end)
                            break;
                        writeItem(it, level);
                    }
                }
                m_pendingPar = false;
                word(nested ? "\\nestcell" : "\\cell");
                m_lastPrefix.clear();
            }
            if (nested) {
                openGroup();
                raw("\\*\\nesttableprops");
                m_needDelim = true;
                rowDefinition(table, r, cells, edges);
                word("\\nestrow");
                closeGroup();
                raw("{\\nonesttables\\par}");
                newline();
            } else {
                word("\\row");
                newline();
            }
        }
        m_lastPrefix.clear();
    }

    const QTextDocument *m_doc;
    QString m_defaultFace;
    int m_defaultHalfPoints = 24;

    QByteArray m_out;
    qsizetype m_lineStart = 0;
    bool m_needDelim = false;
    bool m_pendingPar = false;
    QByteArray m_lastPrefix;

    bool m_linkOpen = false;
    QString m_link;

    QHash<QString, int> m_fonts;
    QStringList m_fontNames;
    QHash<QRgb, int> m_colors;
    QList<QRgb> m_colorList;

    std::vector<std::unique_ptr<RunInfo>> m_runCache;
    int m_partDepth = 0;
    int m_picturesLeftOut = 0;
    QHash<const QTextList *, int> m_listIds;
    QList<QTextListFormat> m_listFormats;
    std::unique_ptr<RunInfo> m_scratch;
};

} // namespace

QByteArray write(const QTextDocument *doc, int *picturesLeftOut)
{
    QTextDocument empty;
    Writer writer(doc ? doc : &empty);
    QByteArray out = writer.run();
    if (picturesLeftOut)
        *picturesLeftOut = writer.picturesLeftOut();
    return out;
}

} // namespace rtf

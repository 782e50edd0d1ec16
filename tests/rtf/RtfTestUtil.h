#pragma once
// Helpers shared by the RTF engine's tests: reading fixtures, finding text
// in a document, and a comparable dump of what the writer keeps.

#include "rtf/Rtf.h"

#include <QFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QTest>

#include <memory>

namespace rtftest {

inline QByteArray fileData(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline std::unique_ptr<QTextDocument> load(const QByteArray &rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    return rtf::read(rtf, doc.get()) ? std::move(doc) : nullptr;
}

inline QString plain(const QByteArray &rtf)
{
    auto doc = load(rtf);
    return doc ? rtf::plainText(doc.get()) : QStringLiteral("<not read>");
}

// Runs of white space as one blank: table cells and paragraphs compare as words.
inline QString collapsed(QString s)
{
    s.remove(QChar(0xFEFF));
    return s.simplified();
}

// A brush's colour as #rrggbb, or nothing for no brush.
inline QString colour(const QBrush &b) { return b.style() == Qt::NoBrush ? QString() : b.color().name(); }

// The character format inside the first occurrence of text.
inline QTextCharFormat formatOf(QTextDocument *doc, const QString &text)
{
    QTextCursor c = doc->find(text);
    if (c.isNull())
        return {};
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}

// The document's face of a format: as read, also where another family shows it.
inline QString faceOf(const QTextCharFormat &f)
{
    const QStringList kept = f.property(rtf::kFontFace).toStringList();
    return kept.size() == 2 ? kept.first() : f.fontFamilies().toStringList().value(0);
}

// That format in short: "bius vN fg/bg face size href" (flags 1 or 0,
// colours as #rrggbb, vN the vertical alignment).
inline QString lookOf(QTextDocument *doc, const QString &text)
{
    const QTextCharFormat f = formatOf(doc, text);
    return QStringLiteral("%1%2%3%4 v%5 %6/%7 %8 %9 %10")
        .arg(f.fontWeight() >= QFont::Bold).arg(f.fontItalic()).arg(int(f.underlineStyle()))
        .arg(f.fontStrikeOut()).arg(int(f.verticalAlignment()))
        .arg(colour(f.foreground()), colour(f.background()), faceOf(f))
        .arg(f.fontPointSize()).arg(f.anchorHref()).trimmed();
}

inline QTextBlockFormat blockOf(QTextDocument *doc, const QString &text)
{
    QTextCursor c = doc->find(text);
    return c.isNull() ? QTextBlockFormat() : c.block().blockFormat();
}

inline QList<QTextTable *> tablesIn(QTextFrame *frame)
{
    QList<QTextTable *> out;
    for (QTextFrame *child : frame->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(child))
            out.append(t);
    return out;
}

// The document's text with its tables drawn in: "[a|b/c|d]" for a table of
// two rows, cells inside it as they stand; paragraphs joined by one blank.
inline QString structure(QTextFrame::iterator it)
{
    QStringList parts;
    for (; !it.atEnd(); ++it) {
        if (auto *t = qobject_cast<QTextTable *>(it.currentFrame())) {
            QStringList rows;
            for (int r = 0; r < t->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < t->columns(); ++c)
                    if (t->cellAt(r, c).row() == r && t->cellAt(r, c).column() == c)
                        cells << structure(t->cellAt(r, c).begin());
                rows << cells.join(u'|');
            }
            parts << u'[' + rows.join(u'/') + u']';
        } else if (it.currentFrame()) {
            parts << structure(it.currentFrame()->begin());
        } else if (const QTextBlock b = it.currentBlock();
                   !rtf::withoutStandIns(b.document(), b.text(), b.position()).isEmpty()) {
            parts << rtf::withoutStandIns(b.document(), b.text(), b.position());
        }
    }
    return parts.join(u' ');
}

inline QString structure(const QTextDocument &doc) { return structure(doc.rootFrame()->begin()); }

// Text with everything the writer keeps: per paragraph its table depth,
// alignment and spacing (in twips), then its runs of equal look. Independent
// of how the text happens to be split into fragments.
inline QStringList formatDump(const QTextDocument &doc)
{
    auto tw = [](double v) { return qRound(v * 15); };
    QStringList out = doc.rootFrame()->frameFormat().property(rtf::kSectionParts).toStringList();
    if (const QVariant v = doc.rootFrame()->frameFormat().property(rtf::kDocumentSettings); v.isValid()) {
        const auto d = v.value<rtf::DocumentSettings>();
        out << QStringLiteral("page %1x%2 margins %3 %4 %5 %6 gutter %7 header %8 footer %9 lang %10 land%11 widow%12 ")
                       .arg(d.paperWidth).arg(d.paperHeight).arg(d.marginLeft).arg(d.marginRight).arg(d.marginTop)
                       .arg(d.marginBottom).arg(d.gutter).arg(d.headerY).arg(d.footerY).arg(d.language)
                       .arg(d.landscape).arg(d.widowControl)
                + QString::fromLatin1(d.notes + ' ' + d.info);
    }
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        int depth = 0;
        for (QTextFrame *f = QTextCursor(b).currentFrame(); f; f = f->parentFrame())
            depth += qobject_cast<QTextTable *>(f) != nullptr;
        const QTextBlockFormat bf = b.blockFormat();
        out << QStringLiteral("P%1 q%2 li%3 ri%4 fi%5 sb%6 sa%7")
                   .arg(depth).arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(tw(bf.leftMargin())).arg(tw(bf.rightMargin())).arg(tw(bf.textIndent()))
                   .arg(tw(bf.topMargin())).arg(tw(bf.bottomMargin()));
        if (bf.lineHeightType() != QTextBlockFormat::SingleHeight)
            out.last() += QStringLiteral(" line%1:%2").arg(bf.lineHeightType()).arg(bf.lineHeight());
        for (const QTextOption::Tab &t : bf.tabPositions())
            out.last() += QStringLiteral(" tab%1:%2").arg(t.type).arg(tw(t.position));
        if (b.textList())
            out.last() += QStringLiteral(" list%1 '%2' fi%3")
                              .arg(b.textList()->format().style()).arg(rtf::listMarker(b))
                              .arg(b.textList()->format().intProperty(rtf::kListFirstIndent));
        if (bf.hasProperty(rtf::kTabLeaders))
            out.last() += QStringLiteral(" leaders'%1'").arg(bf.stringProperty(rtf::kTabLeaders));
        QString last;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QStringList fams = f.fontFamilies().toStringList();
            if (const QStringList kept = f.property(rtf::kFontFace).toStringList(); kept.size() == 2)
                fams = {kept.first()}; // the document's face, shown in another family
            if (f.hasProperty(QTextFormat::FontFamily)) // older-style face
                fams << f.stringProperty(QTextFormat::FontFamily);
            const double pt = f.fontPointSize() > 0 ? f.fontPointSize() : doc.defaultFont().pointSizeF();
            QString look =
                QStringLiteral("  %1 %2 b%3 i%4 u%5 s%6 v%7 fg%8 bg%9 a=%10")
                    .arg(fams.value(0, doc.defaultFont().family())).arg(qRound(pt * 2))
                    .arg(f.fontWeight() >= QFont::Bold).arg(f.fontItalic())
                    .arg(f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline)
                    .arg(f.fontStrikeOut()).arg(int(f.verticalAlignment()))
                    .arg(colour(f.foreground()), colour(f.background()), f.anchorHref());
            if (f.hasProperty(rtf::kAutoNumber))
                look += QStringLiteral(" n'%1'").arg(f.stringProperty(rtf::kAutoNumber));
            if (const auto p = rtf::keptPart(f))
                look += QStringLiteral(" part%1 %2|%3|").arg(int(p->kind)).arg(p->id, p->author) + p->content;
            if (look != last)
                out << look << QString();
            last = look;
            out.last() += it.fragment().text();
        }
    }
    return out;
}

// Each kept part in order: where it stands in the text without anchors
// (a table counts its frame marks),
// its kind, a comment's id and author, and its text.
inline QStringList partList(const QTextDocument &doc)
{
    static const char *const kinds[] = {"footnote", "endnote", "annotation", "hidden", "page", "section", "object",
                                        "field", "end", "bookmark", "bookmarkend", "tc", "special", "column", "?", "?"};
    QStringList out;
    int anchors = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const auto p = rtf::keptPart(it.fragment().charFormat());
            if (!p)
                continue;
            QString text = p->content;
            if (p->kind <= rtf::KeptPart::Annotation) {
                QTextDocument part;
                text = rtf::read(p->content.toLatin1(), &part) ? part.toPlainText().trimmed() : QStringLiteral("<not read>");
            }
            for (int i = 0; i < it.fragment().length(); ++i, ++anchors)
                out << QStringLiteral("%1 %2 %3|%4 %5").arg(it.fragment().position() + i - anchors)
                           .arg(QLatin1String(kinds[p->kind & 15]) + (p->sectionBreak ? "+" : ""), p->id, p->author, text);
        }
    return out;
}

// Each table's columns, then each cell: place, spans and looks.
inline QStringList tableDump(QTextFrame *frame)
{
    QStringList out;
    for (QTextTable *t : tablesIn(frame)) {
        QStringList widths;
        for (const QTextLength &l : t->format().columnWidthConstraints())
            widths << QString::number(qRound(l.rawValue() * 15));
        out << QStringLiteral("table %1x%2 w[%3] pad%4 border%5")
                   .arg(t->rows()).arg(t->columns()).arg(widths.join(u','))
                   .arg(qRound(t->format().cellPadding() * 15)).arg(t->format().border());
        for (int r = 0; r < t->rows(); ++r)
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                const QTextTableCellFormat f = cell.format().toTableCellFormat();
                QString borders;
                for (int p : {QTextFormat::TableCellTopBorder, QTextFormat::TableCellLeftBorder,
                              QTextFormat::TableCellBottomBorder, QTextFormat::TableCellRightBorder})
                    borders += f.hasProperty(p) ? QString::number(f.doubleProperty(p)) + u'/'
                                                      + QString::number(f.intProperty(p + 4)) + u'/'
                                                      + f.brushProperty(p + 8).color().name() + u' '
                                                : QStringLiteral("- ");
                out << QStringLiteral(" %1,%2 %3x%4 bg%5 va%6 h%7 %8%9")
                           .arg(r).arg(c).arg(cell.rowSpan()).arg(cell.columnSpan())
                           .arg(colour(f.background()))
                           .arg(int(f.verticalAlignment())).arg(f.intProperty(rtf::kRowHeight))
                           .arg(borders, collapsed(structure(cell.begin())));
                for (auto it = cell.begin(); !it.atEnd(); ++it)
                    if (it.currentFrame())
                        out << tableDump(it.currentFrame()->parentFrame());
            }
    }
    return out;
}

// Write, read, write: the model comes back the same and the second write
// equals the first byte for byte (the first line that differs is named).
// Tables built in the editor come back with the widths the writer chose.
inline void checkStable(const QTextDocument &doc, bool sameTables = true)
{
    const QByteArray w1 = rtf::write(&doc);
    QTextDocument back;
    QVERIFY(rtf::read(w1, &back));
    QCOMPARE(formatDump(back), formatDump(doc));
    if (sameTables)
        QCOMPARE(tableDump(back.rootFrame()), tableDump(doc.rootFrame()));
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QCOMPARE(rtf::write(&back).split('\n'), w1.split('\n'));
}

} // namespace rtftest

#include "files/PrinterSink.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace {

constexpr qreal kMarginInches = 0.75;
constexpr qreal kTabInches = 0.5;

// The area the text goes in, in painter coordinates: the page inset by the
// margin, and never outside what the printer can reach.
QRectF textArea(QPrinter &printer)
{
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal m = kMarginInches * printer.resolution();
    QRectF body = paper.adjusted(m, m, -m, -m).intersected(page);
    if (body.width() <= 0 || body.height() <= 0)
        body = page;
    // The painter's origin is the printable area's corner, or the paper's
    // when the printer draws on the full page.
    return body.translated(-(printer.fullPage() ? paper.topLeft() : page.topLeft()));
}

// Qt scales a tab distance by the device's resolution over the screen's, so
// measure that factor rather than guess the screen's.
qreal tabScale(QPrinter &printer, const QFont &font)
{
    constexpr qreal probe = 1000;
    QTextLayout layout(QStringLiteral("\t"), font, &printer);
    QTextOption opt;
    opt.setTabStopDistance(probe);
    layout.setTextOption(opt);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e9);
    layout.endLayout();
    const qreal x = line.cursorToX(1);
    return x > 0 ? x / probe : 1;
}

QTextOption textOption(QPrinter &printer, const QFont &font, QTextOption::WrapMode wrap)
{
    QTextOption opt(Qt::AlignLeft | Qt::AlignTop);
    opt.setWrapMode(wrap);
    opt.setTabStopDistance(kTabInches * printer.resolution() / tabScale(printer, font));
    return opt;
}

} // namespace

QPrinterSink::QPrinterSink()
{
    m_font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                        QStringLiteral("DejaVu Sans")});
    m_font.setStyleHint(QFont::SansSerif);
    m_font.setPointSizeF(10);
}

QVector<QPrinterSink::Page> QPrinterSink::paginate(QPrinter &printer, const QString &text) const
{
    const QRectF area = textArea(printer);
    const qreal lineHeight = QFontMetricsF(m_font, &printer).lineSpacing();
    const QTextOption opt = textOption(printer, m_font, QTextOption::WrapAtWordBoundaryOrAnywhere);

    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));

    QVector<Page> pages;
    Page page;
    qreal y = 0;
    auto addLine = [&](const QString &s) {
        // A line that does not fit goes to the next page; a page always
        // takes at least one line, however small the paper.
        if (!page.isEmpty() && y + lineHeight > area.height()) {
            pages.append(page);
            page.clear();
            y = 0;
        }
        page.append({s, y});
        y += lineHeight;
    };

    const QStringList paragraphs = plain.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        const QStringList pieces = paragraph.split(QLatin1Char('\f'));
        for (qsizetype p = 0; p < pieces.size(); ++p) {
            if (p > 0) {            // form feed
                pages.append(page);
                page.clear();
                y = 0;
            }
            const QString &piece = pieces.at(p);
            if (piece.isEmpty()) {
                if (p == 0 || p + 1 == pieces.size())
                    addLine(QString());
                continue;
            }
            QTextLayout layout(piece, m_font, &printer);
            layout.setTextOption(opt);
            layout.setCacheEnabled(false);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(area.width());
                addLine(piece.mid(line.textStart(), line.textLength()));
            }
            layout.endLayout();
        }
    }
    pages.append(page);
    return pages;
}

Result<> QPrinterSink::printText(QPrinter &printer, const QString &text)
{
    const QVector<Page> pages = paginate(printer, text);
    const QRectF area = textArea(printer);
    const qreal lineHeight = QFontMetricsF(m_font, &printer).lineSpacing();
    const QTextOption opt = textOption(printer, m_font, QTextOption::NoWrap);

    QPainter painter;
    if (!painter.begin(&printer)) {
        if (!printer.outputFileName().isEmpty())
            return Failure{QStringLiteral("cannot write %1").arg(printer.outputFileName())};
        return Failure{QStringLiteral("the printer could not be started")};
    }
    painter.setFont(m_font);
    painter.setPen(Qt::black);

    // A printer that makes its copies itself gets the pages once.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    bool first = true;
    auto emitPage = [&](const Page &page) {
        if (!first && !printer.newPage())
            return false;
        first = false;
        for (const Line &line : page)
            painter.drawText(QRectF(area.left(), area.top() + line.y, area.width(), lineHeight),
                             line.text, opt);
        return true;
    };

    bool ok = true;
    if (collate) {
        for (int c = 0; ok && c < copies; ++c)
            for (const Page &page : pages)
                if (!(ok = emitPage(page)))
                    break;
    } else {
        for (const Page &page : pages) {
            for (int c = 0; ok && c < copies; ++c)
                ok = emitPage(page);
            if (!ok)
                break;
        }
    }
    // Ending the painter ends the job: the output goes out now.
    const bool ended = painter.end();
    if (!ok || !ended || printer.printerState() == QPrinter::Error)
        return Failure{QStringLiteral("the printer stopped with an error")};
    return {};
}

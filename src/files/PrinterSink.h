#pragma once
// Where the Print command sends the document's plain text. The real sink
// lays the text out on the printer's pages; tests can pass a recording one
// in the services.

#include "base/Result.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVector>

class QPrinter;

class PrinterSink
{
public:
    virtual ~PrinterSink() = default;

    // Prints text (lines separated by CR LF, LF or CR) as one job on printer
    // and ends the job before returning.
    virtual Result<> printText(QPrinter &printer, const QString &text) = 0;
};

// Plain text on a QPrinter: margins of at least three quarters of an inch,
// long lines wrapped at word boundaries (or anywhere, for a word wider than
// the page), tabs every half inch, a new page when one is full, and a form
// feed starts a new page too. Copies the printer cannot make itself are
// printed here, collated or not as the printer asks.
class QPrinterSink : public PrinterSink
{
public:
    QPrinterSink();
    explicit QPrinterSink(const QFont &font) : m_font(font) {}

    Result<> printText(QPrinter &printer, const QString &text) override;

    // One printed line: its text and its top, from the top of the text area.
    struct Line { QString text; qreal y = 0; };
    using Page = QVector<Line>;

    // The pages text makes on printer, without printing anything.
    QVector<Page> paginate(QPrinter &printer, const QString &text) const;

private:
    QFont m_font;
};

// Print: the printer dialog's flags, what reaches the printer (read back
// from a PDF with poppler's tools), copies, selection, layout and cancel.

#include "common/ScriptedDialogHost.h"
#include "files/PrinterSink.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QFile>
#include <QPageSize>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString &pdf, int page = 0)
{
    QStringList args;
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    return run(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

int pdfPages(const QString &pdf)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString squeeze(QString s)
{
    return s.remove(QRegularExpression(QStringLiteral("\\s+")));
}

struct PdfAnswer
{
    QString file;
    QPrinter::PrintRange range = QPrinter::AllPages;
    int copies = 1;
    bool collate = true;
};

// A printer dialog answered with the PDF printer, as "Print to File" does.
std::function<bool(QPrinter &, int)> toPdf(const PdfAnswer &a, int *seenFlags = nullptr)
{
    return [a, seenFlags](QPrinter &p, int flags) {
        if (seenFlags)
            *seenFlags = flags;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(a.file);
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPrintRange(a.range);
        p.setCopyCount(a.copies);
        p.setCollateCopies(a.collate);
        return true;
    };
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    struct Window
    {
        ScriptedDialogHost host;
        Form1 f{&host};
        Window() { f.show(); }
    };

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void printsPlainTextWithFlags()
    {
        Window w;
        Form1 &f = w.f;
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.RichTextBox1->SetText(QStringLiteral("First line\r\nSecond line"));
        f.RichTextBox1->SetSelStart(0);
        f.RichTextBox1->SetSelLength(5);
        f.RichTextBox1->SetSelBold(true);
        f.RichTextBox1->SetSelColor(0x0000FF);
        f.RichTextBox1->SetSelLength(0);
        f.SetStatus(QStringLiteral("kept"));
        const QString title = f.windowTitle();

        // No selection: 264, the whole text, formatting left behind.
        int flags = 0;
        const QString all = path(QStringLiteral("all.pdf"));
        w.host.printers.enqueue(toPdf({all}, &flags));
        QTest::mouseClick(f.Command14, Qt::LeftButton);
        QCOMPARE(flags, 264);
        QCOMPARE(f.CommonDialog1.Flags, 264);
        QVERIFY(f.CommonDialog1.CancelError);
        QCOMPARE(pdfPages(all), 1);
        QCOMPARE(pdfText(all).trimmed(), QStringLiteral("First line\nSecond line"));
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        QCOMPARE(f.windowTitle(), title);

        // With a selection, Ctrl+P preselects it (265). Left at "All", the
        // whole document prints; picking "Selection" prints only it.
        f.RichTextBox1->SetSelStart(6);
        f.RichTextBox1->SetSelLength(11);   // "line\r\nSecond" as 11 characters
        const QString whole = path(QStringLiteral("whole.pdf"));
        w.host.printers.enqueue(toPdf({whole}, &flags));
        f.RichTextBox1->setFocus();
        QTest::keyClick(f.RichTextBox1, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(flags, 265);
        QCOMPARE(f.CommonDialog1.Flags, 265);
        QCOMPARE(pdfText(whole).trimmed(), QStringLiteral("First line\nSecond line"));

        const QString sel = path(QStringLiteral("selection.pdf"));
        w.host.printers.enqueue(toPdf({sel, QPrinter::Selection}));
        f.print_Click();
        QCOMPARE(pdfText(sel).trimmed(), QStringLiteral("line\nSecond"));

        // A Selection range left in the printer from before means nothing
        // once no text is selected.
        f.RichTextBox1->SetSelLength(0);
        const QString none = path(QStringLiteral("noselection.pdf"));
        w.host.printers.enqueue(toPdf({none, QPrinter::Selection}, &flags));
        f.Command14_Click();
        QCOMPARE(flags, 264);
        QCOMPARE(pdfText(none).trimmed(), QStringLiteral("First line\nSecond line"));

        // An empty document prints one empty page.
        f.RichTextBox1->SetText(QString());
        const QString empty = path(QStringLiteral("empty.pdf"));
        w.host.printers.enqueue(toPdf({empty}));
        f.print_Click();
        QCOMPARE(pdfPages(empty), 1);
        QCOMPARE(pdfText(empty).trimmed(), QString());
    }

    void layoutWrapsAndBreaksPagesWithinMargins()
    {
        Window w;
        Form1 &f = w.f;
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QStringLiteral("Line %1 of the list").arg(i, 3, 10, QLatin1Char('0'));
        QStringList words;
        for (int i = 0; i < 400; ++i)
            words << QStringLiteral("word%1").arg(i);
        lines << words.join(QLatin1Char(' '));          // wraps at word boundaries
        lines << QString(600, QLatin1Char('Q'));        // wider than a page: broken anywhere
        lines << QStringLiteral("\t\tTabbed");                // tab stops every half inch
        lines << QStringLiteral("after a page break\fon a page of its own");
        const QString text = lines.join(QStringLiteral("\r\n"));
        f.RichTextBox1->SetText(text);

        const QString pdf = path(QStringLiteral("long.pdf"));
        w.host.printers.enqueue(toPdf({pdf}));
        f.print_Click();
        const int pages = pdfPages(pdf);
        QVERIFY2(pages >= 4, qPrintable(QString::number(pages)));
        // Every character comes out, in order, nothing lost at the breaks.
        QCOMPARE(squeeze(pdfText(pdf)), squeeze(QString(text).replace(QLatin1Char('\f'), QLatin1Char(' '))));
        QCOMPARE(pdfText(pdf, pages).trimmed(), QStringLiteral("on a page of its own"));

        // Every word stays inside three quarters of an inch of the A4 edge.
        const QString bbox = run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        const QRegularExpression word(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
        const qreal margin = 54 - 1, pageW = 595.3, pageH = 841.9;
        int count = 0;
        for (auto it = word.globalMatch(bbox); it.hasNext(); ++count) {
            const QRegularExpressionMatch m = it.next();
            const qreal x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
            const qreal x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
            QVERIFY2(x0 >= margin && y0 >= margin && x1 <= pageW - margin && y1 <= pageH - margin,
                     qPrintable(m.captured(0)));
        }
        QVERIFY(count > 400);
        const QRegularExpressionMatch tabbed = QRegularExpression(
            QStringLiteral("<word xMin=\"([\\d.]+)\"[^>]*>Tabbed<")).match(bbox);
        QVERIFY(tabbed.hasMatch());
        QVERIFY2(qAbs(tabbed.captured(1).toDouble() - (54 + 2 * 36)) < 1, qPrintable(tabbed.captured(0)));
    }

    void copiesAndCollation()
    {
        Window w;
        Form1 &f = w.f;
        f.RichTextBox1->SetText(QStringLiteral("page one\fpage two"));

        const QString collated = path(QStringLiteral("collated.pdf"));
        w.host.printers.enqueue(toPdf({collated, QPrinter::AllPages, 2, true}));
        f.print_Click();
        QCOMPARE(pdfPages(collated), 4);
        QCOMPARE(pdfText(collated, 2).trimmed(), QStringLiteral("page two"));
        QCOMPARE(pdfText(collated, 3).trimmed(), QStringLiteral("page one"));

        const QString uncollated = path(QStringLiteral("uncollated.pdf"));
        w.host.printers.enqueue(toPdf({uncollated, QPrinter::AllPages, 2, false}));
        f.print_Click();
        QCOMPARE(pdfPages(uncollated), 4);
        QCOMPARE(pdfText(uncollated, 2).trimmed(), QStringLiteral("page one"));
        QCOMPARE(pdfText(uncollated, 3).trimmed(), QStringLiteral("page two"));
    }

    void cancelPrintsNothing()
    {
        Window w;
        Form1 &f = w.f;
        f.RichTextBox1->SetText(QStringLiteral("text"));
        const QString pdf = path(QStringLiteral("cancel.pdf"));
        w.host.printers.enqueue(toPdf({pdf}));
        f.print_Click();
        QVERIFY(QFile::remove(pdf));

        // The printer still names that file: a cancel must not write it.
        f.SetStatus(QStringLiteral("kept"));
        const QString title = f.windowTitle();
        w.host.printers.enqueue([](QPrinter &, int) { return false; });
        f.Command14_Click();
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        QCOMPARE(f.windowTitle(), title);

        // Print left CancelError set: a cancelled save still reports the
        // error, and writes no file.
        w.host.cancelFile();
        f.save_Click();
        QCOMPARE(f.Status(), QStringLiteral("[ERROR] An error has occurred (CANCEL)"));
        QCOMPARE(f.windowTitle(), title);
    }

    void failedPrintIsReported()
    {
        Window w;
        Form1 &f = w.f;
        f.RichTextBox1->SetText(QStringLiteral("text"));
        const QString pdf = path(QStringLiteral("no/such/folder/out.pdf"));
        w.host.printers.enqueue(toPdf({pdf}));
        f.print_Click();
        QVERIFY2(f.Status().startsWith(QStringLiteral("[ERROR] Could not print: ")),
                 qPrintable(f.Status()));
        QVERIFY(!QFile::exists(pdf));
    }

    void sinkSeam()
    {
        // The command hands the sink the printer from the dialog and the text.
        struct Recorder : PrinterSink
        {
            QStringList texts;
            QPrinter *printer = nullptr;
            bool printText(QPrinter &p, const QString &text, QString *) override
            {
                printer = &p;
                texts << text;
                return true;
            }
        };
        Window w;
        Form1 &f = w.f;
        auto rec = std::make_shared<Recorder>();
        f.printerSink = rec;
        f.RichTextBox1->SetText(QStringLiteral("a\r\nb"));
        w.host.printers.enqueue([](QPrinter &, int) { return true; });
        f.print_Click();
        QCOMPARE(rec->texts, QStringList{QStringLiteral("a\r\nb")});
        QCOMPARE(rec->printer, &f.CommonDialog1.Printer());
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"

// Print through a PDF printer, read back with poppler's tools.

#include "common/ScriptedDialogHost.h"
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

QString pdf(const QStringList &args)
{
    QProcess p;
    p.start(args.first(), args.mid(1));
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pageText(const QString &file, int page)
{
    const QString n = QString::number(page);
    return pdf({"pdftotext", "-f", n, "-l", n, file, "-"}).trimmed();
}

int pages(const QString &file)
{
    return QRegularExpression("Pages:\\s+(\\d+)").match(pdf({"pdfinfo", file})).captured(1).toInt();
}

// The printer dialog answered with "Print to File (PDF)" on A4.
auto toPdf(const QString &file, QPrinter::PrintRange range = QPrinter::AllPages, int copies = 1,
           bool collate = true, int *flags = nullptr)
{
    return [=](QPrinter &p, int f) {
        if (flags)
            *flags = f;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(file);
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPrintRange(range);
        p.setCopyCount(copies);
        p.setCollateCopies(collate);
        return true;
    };
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void print()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QString out = dir.filePath("out.pdf");
        f.RichTextBox1->SetText(QStringLiteral("First line\r\nSecond line"));
        f.RichTextBox1->SetSelLength(5);
        f.RichTextBox1->SetSelBold(true);
        f.RichTextBox1->SetSelLength(0);
        f.SetStatus(QStringLiteral("kept"));

        int flags = 0;
        host.printers.enqueue(toPdf(out, QPrinter::AllPages, 1, true, &flags));
        QTest::mouseClick(f.Command14, Qt::LeftButton);
        QCOMPARE(flags, 264);
        QVERIFY(f.CommonDialog1.CancelError);
        QCOMPARE(pageText(out, 1), QStringLiteral("First line\nSecond line"));

        // A selection is preselected (265); only the Selection range limits
        // what is printed.
        f.RichTextBox1->SetSelStart(6);
        f.RichTextBox1->SetSelLength(11);
        host.printers.enqueue(toPdf(out, QPrinter::AllPages, 1, true, &flags));
        QTest::keyClick(f.RichTextBox1, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(flags, 265);
        QCOMPARE(f.CommonDialog1.Flags, 265);
        QCOMPARE(pageText(out, 1), QStringLiteral("First line\nSecond line"));
        host.printers.enqueue(toPdf(out, QPrinter::Selection));
        f.print_Click();
        QCOMPARE(pageText(out, 1), QStringLiteral("line\nSecond"));

        // Cancel prints nothing, even to the file the printer still names,
        // and a later cancelled save still ends in the save error.
        QFile::remove(out);
        host.printers.enqueue([](QPrinter &, int) { return false; });
        f.print_Click();
        QVERIFY(!QFile::exists(out));
        QCOMPARE(f.Status(), QStringLiteral("kept"));
        host.cancelFile();
        f.save_Click();
        QCOMPARE(f.Status(), QStringLiteral("[ERROR] An error has occurred (CANCEL)"));

        // A print that cannot come out says so.
        host.printers.enqueue(toPdf(dir.filePath("no/such/out.pdf")));
        f.print_Click();
        QVERIFY(f.Status().startsWith(QStringLiteral("[ERROR] Could not print: ")));
    }

    void layout()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QStringLiteral("Line %1").arg(i);
        for (int i = 0; i < 300; ++i)
            lines.last() += QStringLiteral(" word%1").arg(i);   // wraps at words
        lines << QString(600, QLatin1Char('Q'))                  // broken anywhere
              << QStringLiteral("\t\tTabbed") << QStringLiteral("break\fown page");
        const QString text = lines.join(QStringLiteral("\r\n"));
        f.RichTextBox1->SetText(text);
        const QString out = dir.filePath("long.pdf");
        host.printers.enqueue(toPdf(out));
        f.print_Click();

        // Every character comes out in order, nothing lost at the breaks.
        const int n = pages(out);
        QVERIFY(n >= 4);
        const QRegularExpression space(QStringLiteral("\\s+"));
        QCOMPARE(pdf({"pdftotext", out, "-"}).remove(space), QString(text).remove(space));
        QCOMPARE(pageText(out, n), QStringLiteral("own page"));

        // All of it within 3/4 inch (54 pt) of the A4 edges; tabs every 36 pt.
        const QString boxes = pdf({"pdftotext", "-bbox", out, "-"});
        const QRegularExpression word(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">(\\w+)<");
        int count = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext(); ++count) {
            const QRegularExpressionMatch m = it.next();
            QVERIFY2(m.captured(1).toDouble() >= 53 && m.captured(2).toDouble() >= 53
                         && m.captured(3).toDouble() <= 595 - 53 && m.captured(4).toDouble() <= 842 - 53,
                     qPrintable(m.captured(0)));
            if (m.captured(5) == QLatin1String("Tabbed"))
                QVERIFY(qAbs(m.captured(1).toDouble() - (54 + 2 * 36)) < 1);
        }
        QVERIFY(count > 400);
    }

    void copies()
    {
        ScriptedDialogHost host;
        Form1 f(&host);
        f.RichTextBox1->SetText(QStringLiteral("one\ftwo"));
        const QString out = dir.filePath("copies.pdf");
        for (bool collate : {true, false}) {
            host.printers.enqueue(toPdf(out, QPrinter::AllPages, 2, collate));
            f.print_Click();
            QCOMPARE(pages(out), 4);
            QCOMPARE(pageText(out, 2), collate ? QStringLiteral("two") : QStringLiteral("one"));
            QCOMPARE(pageText(out, 3), collate ? QStringLiteral("one") : QStringLiteral("two"));
        }
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"

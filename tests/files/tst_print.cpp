// Print through a PDF printer, read back with poppler's tools.

#include "common/MainWindowFixture.h"

#include "app/QtDialogHost.h"

#include <QPageSize>
#include <QPrintDialog>
#include <QProcess>

namespace {

QString pdftotext(const QString &file, const QStringList &options = {})
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), options + QStringList{file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of each page; pdftotext ends every page with a form feed.
QStringList pages(const QString &file)
{
    QStringList all = pdftotext(file).split(QLatin1Char('\f'));
    all.removeLast();
    for (QString &page : all)
        page = page.trimmed();
    return all;
}

// The printer dialog answered with "Print to File (PDF)" on A4.
auto toPdf(const QString &file, QPrinter::PrintRange range = QPrinter::AllPages, int copies = 1,
           bool collate = true)
{
    return [=](QPrinter &p, int) {
        p.setOutputFileName(file);   // a .pdf name selects PDF output
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPrintRange(range);
        p.setCopyCount(copies);
        p.setCollateCopies(collate);
        return true;
    };
}

} // namespace

class TestPrint : public QObject, MainWindowFixture
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void print()
    {
        const QString out = dir.filePath("out.pdf");
        rtb()->SetText(QStringLiteral("First line\r\nSecond line"));
        f->SetStatus(QStringLiteral("kept"));
        host->printers.enqueue(toPdf(out));
        QTest::mouseClick(f->Command14, Qt::LeftButton);
        QCOMPARE(host->calls.last().flags, 264);
        QVERIFY(f->CommonDialog1.CancelError);
        QCOMPARE(pages(out), QStringList{"First line\nSecond line"});

        // A selection is preselected (265); only the Selection range limits
        // what is printed.
        select(6, 11);
        host->printers.enqueue(toPdf(out));
        key(Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(host->calls.last().flags, 265);
        QCOMPARE(f->CommonDialog1.Flags, 265);
        QCOMPARE(pages(out), QStringList{"First line\nSecond line"});
        host->printers.enqueue(toPdf(out, QPrinter::Selection));
        f->print_Click();
        QCOMPARE(pages(out), QStringList{"line\nSecond"});

        // Cancel prints nothing, even to the file the printer still names,
        // and a later cancelled save still ends in the save error.
        QFile::remove(out);
        host->printers.enqueue([](QPrinter &, int) { return false; });
        f->print_Click();
        QVERIFY(!QFile::exists(out));
        QCOMPARE(f->Status(), QStringLiteral("kept"));
        host->cancelFile();
        f->save_Click();
        QCOMPARE(f->Status(), QStringLiteral("[ERROR] An error has occurred (CANCEL)"));

        // A print that cannot come out says so.
        host->printers.enqueue(toPdf(dir.filePath("no/such/out.pdf")));
        f->print_Click();
        QVERIFY(f->Status().startsWith(QStringLiteral("[ERROR] Could not print: ")));

        // Copies, collated or not.
        rtb()->SetText(QStringLiteral("one\ftwo"));
        for (bool collate : {true, false}) {
            host->printers.enqueue(toPdf(out, QPrinter::AllPages, 2, collate));
            f->print_Click();
            QCOMPARE(pages(out), collate ? QStringList({"one", "two", "one", "two"})
                                         : QStringList({"one", "one", "two", "two"}));
        }
    }

    void realDialogOffersNoPageRange()
    {
        // The widgets the real dialog shows, as print sets the flags, with a
        // selection, and with page numbers asked for.
        for (const auto &[flags, expected] : {std::pair{264, "printAll"}, {265, "printAll printSelection"},
                                              {256, "printAll printRange from to"}}) {
            QPrinter printer;
            QStringList shown;
            QTimer::singleShot(0, this, [&] {
                auto *dlg = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                for (const char *name : {"printAll", "printRange", "from", "to", "printSelection",
                                         "pagesRadioButton", "pagesLineEdit"}) {
                    auto *w = dlg->findChild<QWidget *>(QLatin1String(name));
                    if (w && !w->isHidden())
                        shown << QLatin1String(name);
                }
                dlg->reject();
            });
            QVERIFY(!QtDialogHost().printer(f.get(), printer, flags));
            // Newer dialogs also offer a list of pages where they offer the range.
            QVERIFY2(flags == 256 ? shown.join(u' ').startsWith(expected) : shown.join(u' ') == expected,
                     qPrintable(shown.join(u' ')));
        }
    }

    void layout()
    {
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QStringLiteral("Line %1").arg(i);
        for (int i = 0; i < 300; ++i)
            lines.last() += QStringLiteral(" word%1").arg(i);   // wraps at words
        lines << QString(600, QLatin1Char('Q')) << "\t\tTabbed" << "break\fown page";   // broken anywhere
        const QString text = lines.join(QStringLiteral("\r\n")), out = dir.filePath("long.pdf");
        rtb()->SetText(text);
        host->printers.enqueue(toPdf(out));
        f->print_Click();

        // Every character comes out in order, nothing lost at the breaks.
        const QStringList printed = pages(out);
        QVERIFY(printed.size() >= 4);
        QCOMPARE(printed.last(), QStringLiteral("own page"));
        static const QRegularExpression space(QStringLiteral("\\s+"));
        QCOMPARE(printed.join(QString()).remove(space), QString(text).remove(space));

        // All of it within 3/4 inch (54 pt) of the A4 edges; tabs every 36 pt.
        static const QRegularExpression word(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">(\\w+)<");
        int count = 0;
        for (auto it = word.globalMatch(pdftotext(out, {"-bbox"})); it.hasNext(); ++count) {
            const QRegularExpressionMatch m = it.next();
            const double x = m.captured(1).toDouble();
            QVERIFY2(x >= 53 && m.captured(2).toDouble() >= 53 && m.captured(3).toDouble() <= 595 - 53
                         && m.captured(4).toDouble() <= 842 - 53 && (m.captured(5) != "Tabbed" || qAbs(x - 126) < 1),
                     qPrintable(m.captured(0)));
        }
        QVERIFY(count > 400);
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"

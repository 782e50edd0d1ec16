// Open, save, print, new and exit through the menu keys, the toolbar buttons
// and a scripted dialog host. Print goes to a PDF printer, read back with
// poppler's tools.

#include "common/FullDisk.h"
#include "common/MainWindowFixture.h"

#include "app/QtDialogHost.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QProcess>
#include <QTimer>

namespace {

const QString kTitle = kCaption + QStringLiteral(": ");
const QString kSaveFailed = QStringLiteral("[ERROR] An error has occurred (CANCEL)");
const QByteArray kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello {\\b bold} world\\par\r\nTwo\\par}";

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

class TestFiles : public QObject, MainWindowFixture
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void opening()
    {
        const QString rtf = path("letter"), txt = path("notes.txt");
        QVERIFY(writeFile(rtf, kRtf));
        QVERIFY(writeFile(txt, "Caf\xc3\xa9\nline two"));
        host->answerFile(txt, 2);
        key(Qt::Key_O, Qt::ControlModifier);
        // "*.*" is every file, with a dot in its name or not.
        QCOMPARE(host->calls.last().filters, QStringList({"RTF Files (*.rtf)", "ALL Files (*)"}));
        QCOMPARE(CommonDialog::nameFilters("Docs|*.rtf;*.txt"), QStringList{"Docs (*.rtf *.txt)"});
        QCOMPARE(rtb()->Text(), QStringLiteral(u"Caf\u00e9\r\nline two"));
        QCOMPARE(f->windowTitle(), kTitle + txt);
        QCOMPARE(f->status(), QStringLiteral("[ACTION] File Opened: ") + txt);

        // The filter entry decides, never the name: RTF markup under "ALL
        // Files" is text; a name without .rtf under "RTF Files" is RTF.
        host->answerFile(rtf, 2);
        QTest::mouseClick(f->Command7, Qt::LeftButton);
        QCOMPARE(rtb()->Text().toUtf8(), kRtf);
        host->answerFile(rtf, 1);
        f->abrir_Click();
        QCOMPARE(rtb()->Text(), QStringLiteral("Hello bold world\r\nTwo"));
        select(6, 4);
        QVERIFY(rtb()->SelBold());

        // A text file under "RTF Files" or a missing file: document and
        // title stay, and the user is told why.
        for (const QString &bad : {txt, path("missing.rtf")}) {
            host->answerFile(bad, 1);
            f->abrir_Click();
            QCOMPARE(rtb()->Text(), QStringLiteral("Hello bold world\r\nTwo"));
            QCOMPARE(f->windowTitle(), kTitle + rtf);
        }
        QCOMPARE(f->status(), "[ERROR] Could not open " + path("missing.rtf") + ": file not found");

        // Cancel neither loads from nor writes to the name the last dialog
        // left, even with CancelError left on by print; only Save says so.
        host->answerFile(txt, 2);
        f->abrir_Click();
        rtb()->SetText(QStringLiteral("edited"));
        for (bool raise : {false, true}) {
            f->CommonDialog1.CancelError = raise;
            f->setStatus(QString());
            host->cancelFile();
            f->abrir_Click();
            QCOMPARE(rtb()->Text(), QStringLiteral("edited"));
            QCOMPARE(f->status(), QString());
            host->cancelFile();
            f->Command6_Click();
            QCOMPARE(f->status(), kSaveFailed);
            QCOMPARE(readFile(txt), QByteArray("Caf\xc3\xa9\nline two"));
        }
    }

    void save()
    {
        rtb()->SetText(QStringLiteral("Alpha\r\nBeta"));
        f->setStatus(QStringLiteral("earlier"));
        // Menu item: RTF into exactly the typed name, and no message.
        host->answerFile(path("saved"), 1);
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(host->calls.last().filters, QStringList({"RTF Files (*.rtf)", "All Files (*)"}));
        QCOMPARE(f->windowTitle(), kTitle + path("saved"));
        QCOMPARE(f->status(), QStringLiteral("earlier"));
        // The menu item reports plain text with a colon; the button both
        // formats, with neither colon nor blank.
        const struct { bool button; const char *name; int filter; QString status; } saves[] = {
            {false, "plain.rtf", 2, "[ACTION] File Saved:"},
            {true, "b.txt", 2, "[ACTION] File Saved"},
            {true, "b.rtf", 1, "[ACTION] File Saved"}};
        for (const auto &s : saves) {
            host->answerFile(path(s.name), s.filter);
            s.button ? QTest::mouseClick(f->Command6, Qt::LeftButton) : f->save_Click();
            QCOMPARE(f->status(), s.status + path(s.name));
        }
        QCOMPARE(readFile(path("b.txt")), QByteArray("Alpha\r\nBeta"));
        QVERIFY(readFile(path("b.rtf")).startsWith("{\\rtf"));
        QVERIFY(readFile(path("saved")).startsWith("{\\rtf"));

        // A missing folder: error with its reason, as Open gives one, and no file.
        host->answerFile(path("no/such/a.rtf"), 1);
        f->save_Click();
        QCOMPARE(f->status(), kSaveFailed + ": folder not found");
        QVERIFY(!QFile::exists(path("no/such/a.rtf")));
        QCOMPARE(f->windowTitle(), kTitle + path("b.rtf"));
    }

    // A save that runs out of room leaves the old file byte for byte and
    // says so. Under 16 KiB the whole document sits in the write buffer
    // until the file is closed, which once hid the failure.
    void saveOutOfRoom_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("filter");
        for (bool full : {false, true}) {
            const char *how = full ? "full disk" : "file size limit";
            // RTF and text end in the same write: sizes matter, not types.
            QTest::addRow("%s, small rtf", how) << full << 400 << 1;   // 8.8 KB
            QTest::addRow("%s, large text", how) << full << 15000 << 2; // 330 KB
        }
    }
    void saveOutOfRoom()
    {
        QFETCH(bool, fullDisk);
        QFETCH(int, lines);
        QFETCH(int, filter);
        const QString text = QStringLiteral("a line of some words\r\n").repeated(lines);
        const QString folder = path("disk");
        FullDisk disk(folder);
        if (fullDisk && !disk.mounted())
            QSKIP("mounting a small file system needs root");
        const QString target = folder + QStringLiteral("/old.rtf");
        const QByteArray old = kRtf + QByteArray(3000, ' ');
        QVERIFY(writeFile(target, old));
        host->answerFile(target, 1);
        f->abrir_Click();
        rtb()->SetText(text);
        f->setStatus(QString());
        host->answerFile(target, filter);
        if (fullDisk) {
            disk.fill();
            f->save_Click();
        } else {
            FileSizeLimit limit(4096);
            f->save_Click();
        }
        // With the reason, whatever words the system has for a size limit.
        QVERIFY2(fullDisk ? f->status() == kSaveFailed + ": No space left on device"
                          : f->status().startsWith(kSaveFailed + ": ") && f->status().size() > kSaveFailed.size() + 3,
                 qPrintable(f->status()));
        QCOMPARE(readFile(target), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList(fullDisk ? QStringList{"filler", "old.rtf"} : QStringList{"old.rtf"}));
        QCOMPARE(rtb()->Text(), text);
    }

    void undoBringsBackTitleAndFileName()
    {
        const QString a = path("a.rtf"), b = path("b.txt");
        QVERIFY(writeFile(b, "bee"));
        auto shows = [&](const QString &text, const QString &file, const QString &fileName) {
            QCOMPARE(rtb()->Text(), text);
            QCOMPARE(f->windowTitle(), file.isEmpty() ? kCaption : kTitle + file);
            QCOMPARE(f->CommonDialog1.FileName, fileName);
        };
        // Open over the start-up document and type; one Ctrl+Z too many
        // takes the Open back. Redo (Ctrl+Shift+Z; Ctrl+Y is Copy here)
        // brings the file back, then the typing.
        host->answerFile(b, 2);
        key(Qt::Key_O, Qt::ControlModifier);
        shows("bee", b, b);
        QTest::keyClicks(rtb(), QStringLiteral("my "));
        for (int i = 0; i < 2; ++i)
            key(Qt::Key_Z, Qt::ControlModifier);
        shows("", "", "");
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        shows("bee", b, b);
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        shows("my bee", b, b);
        for (int i = 0; i < 2; ++i)
            key(Qt::Key_Z, Qt::ControlModifier);
        shows("", "", "");

        QTest::keyClicks(rtb(), QStringLiteral("alpha"));
        host->answerFile(a, 1);
        key(Qt::Key_S, Qt::ControlModifier);
        host->answerFile(b, 2);
        QTest::mouseClick(f->Command7, Qt::LeftButton);
        // A failed open changes the dialog's name only.
        host->answerFile(path("missing.rtf"), 1);
        f->abrir_Click();
        QTest::mouseClick(f->Command5, Qt::LeftButton);   // New, caption alone
        shows("", "", path("missing.rtf"));
        key(Qt::Key_Delete, Qt::ShiftModifier);           // Clear All keeps the title
        key(Qt::Key_Z, Qt::ControlModifier);
        shows("", "", path("missing.rtf"));
        key(Qt::Key_Z, Qt::ControlModifier);
        shows("bee", b, b);
        key(Qt::Key_Z, Qt::ControlModifier);
        shows("alpha", a, a);
        // So the next save goes to the file this document came from.
        host->answerFile(f->CommonDialog1.FileName, 2);
        f->save_Click();
        QCOMPARE(readFile(a), QByteArray("alpha"));
    }

    void print()
    {
        const QString out = dir.filePath("out.pdf");
        rtb()->SetText(QStringLiteral("First line\r\nSecond line"));
        f->setStatus(QStringLiteral("kept"));
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
        QCOMPARE(pages(out), QStringList{"First line\nSecond line"});
        host->printers.enqueue(toPdf(out, QPrinter::Selection));
        f->print_Click();
        QCOMPARE(pages(out), QStringList{"line\nSecond"});

        // Cancel prints nothing, even to the file the printer still names.
        QFile::remove(out);
        host->printers.enqueue([](QPrinter &, int) { return false; });
        f->print_Click();
        QVERIFY(!QFile::exists(out));
        QCOMPARE(f->status(), QStringLiteral("kept"));

        // A print that cannot come out says so.
        host->printers.enqueue(toPdf(dir.filePath("no/such/out.pdf")));
        f->print_Click();
        QVERIFY(f->status().startsWith(QStringLiteral("[ERROR] Could not print: ")));

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
        for (const auto &[flags, expected] : {std::pair{264, "printAll Type:"}, {265, "printAll printSelection Type:"},
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
                // Labels by their text: "to" goes with the range, "Type:"
                // (the printer's) stays.
                for (QLabel *label : dlg->findChildren<QLabel *>())
                    if ((label->text() == "to" || label->text() == "Type:") && !label->isHidden())
                        shown << label->text();
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

    void saveDialogStartsInTheDocumentsFolder()
    {
        // No document yet: the current folder, not Qt's history shared with
        // other programs.
        host->cancelFile();
        f->save_Click();
        QCOMPARE(host->calls.last().folder, QDir::currentPath());
        // After a save that failed, the folder of the current document.
        const QString doc = path("doc.txt"), failed = path("no/such/a.rtf");
        QVERIFY(writeFile(doc, "text"));
        host->answerFile(doc, 2);
        f->abrir_Click();
        host->answerFile(failed, 1);
        f->save_Click();
        host->cancelFile();
        QTest::mouseClick(f->Command6, Qt::LeftButton);
        QCOMPARE(host->calls.last().folder, dir.path());
        QCOMPARE(host->calls.last().fileName, failed);
        // The real dialog starts in that folder and offers the name alone.
        QString shown, offered;
        QTimer::singleShot(0, this, [&] {
            auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            shown = dlg->directory().absolutePath();
            offered = dlg->selectedFiles().value(0);
            dlg->reject();
        });
        int index = 1;
        QString name = failed;
        QVERIFY(!QtDialogHost().saveFile(f.get(), {"RTF Files (*.rtf)"}, dir.path(), index, name));
        QCOMPARE(shown, dir.path());
        QCOMPARE(offered, path("a.rtf"));
    }

    void newAndExit()
    {
        f->setTitleFile(QStringLiteral("/tmp/x.rtf"));
        f->setStatus(QStringLiteral("kept"));
        // Only the button resets the title; neither asks or writes status.
        for (bool button : {false, true}) {
            rtb()->SetText(QStringLiteral("unsaved"));
            button ? QTest::mouseClick(f->Command5, Qt::LeftButton) : f->nuevo->trigger();
            QCOMPARE(rtb()->Text(), QString());
            QCOMPARE(f->windowTitle(), button ? kCaption : kTitle + "/tmp/x.rtf");
        }
        QCOMPARE(f->status(), QStringLiteral("kept"));
        QVERIFY(host->calls.isEmpty());

        host->messages.enqueue(QMessageBox::Cancel);
        key(Qt::Key_Q, Qt::ControlModifier);
        const ScriptedDialogHost::Call box = host->calls.last();
        QCOMPARE(box.title + ": " + box.text, QStringLiteral("Quillet 99: Do you really want to quit Quillet 99?"));
        QVERIFY(box.buttons == (QMessageBox::Ok | QMessageBox::Cancel) && box.defaultButton == QMessageBox::Ok
                && box.icon == QMessageBox::NoIcon && ended == 0);
        host->messages.enqueue(QMessageBox::Ok);
        f->end->trigger();
        QCOMPARE(ended, 1);

        // The real end closes the windows and leaves the running event loop
        // (a local one here, so the test lives on). Last of the tests: no
        // event loop runs in this process after it.
        close();
        services.endProcess = defaultServices().endProcess;
        open();
        host->messages.enqueue(QMessageBox::Ok);
        QEventLoop loop;
        QTimer::singleShot(0, f.get(), &Form1::end_Click);
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(!f->isVisible());
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"

// Clipboard, Clear All, Select All, Time/ Date and the search dialog, by real
// key presses into the focused editing area. The search dialog is one window,
// non-modal; "Go!" searches and hides it, the close box discards it.

#include "common/MainWindowFixture.h"
#include "editing/Form2.h"
#include "editing/TimeDate.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

#include <limits>

namespace {

QClipboard *cb() { return QGuiApplication::clipboard(); }

} // namespace

class TestEditing : public QObject, MainWindowFixture
{
    Q_OBJECT

    // Opens the editing area's context menu from the keyboard and clicks the
    // item pick chooses; returns the keys the menu shows.
    QStringList fromMenu(const std::function<QAction *(QMenu *)> &pick)
    {
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *a : menu->actions())
                shown << a->shortcut().toString(QKeySequence::PortableText);
            QAction *item = pick(menu);
            QVERIFY(item);
            QVERIFY(item->isEnabled());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        });
        const QPoint at = rtb()->cursorRect().center();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, at, rtb()->mapToGlobal(at));
        QApplication::sendEvent(rtb()->viewport(), &menuKey);
        return shown;
    }

    // Ctrl+F in the editing area, the text typed, "Go!".
    void searchFor(const QString &text)
    {
        QTest::keyClick(rtb(), Qt::Key_F, Qt::ControlModifier);
        Form2 *search = window<Form2>();
        QVERIFY(search);
        QVERIFY(search->isVisible());
        search->Text1->setText(text);
        QTest::mouseClick(search->Command1, Qt::LeftButton);
        QVERIFY(!search->isVisible());
    }

private slots:
    void init() { open(); cb()->clear(); }
    void cleanup() { close(); QLocale::setDefault(QLocale::system()); }

    void cutCopyPaste()
    {
        rtb()->SetText(QStringLiteral("Hello brave world"));
        select(6, 5);
        key(Qt::Key_Y, Qt::ControlModifier);               // Copy
        QCOMPARE(cb()->text() + u'|' + rtb()->SelText(), QStringLiteral("brave|brave"));
        select(0, 6);
        key(Qt::Key_C, Qt::ControlModifier);               // Cut
        QCOMPARE(cb()->text(), QStringLiteral("Hello "));
        // Pasted twice at the insertion point, by key and button.
        rtb()->SetSelStart(5);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QTest::mouseClick(f->Command10, Qt::LeftButton);
        QCOMPARE(rtb()->Text() + u'|' + QString::number(rtb()->SelStart()), QStringLiteral("braveHello Hello  world|17"));

        // Nothing selected: Cut and Copy leave the clipboard empty.
        key(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(!cb()->mimeData() || !cb()->mimeData()->hasText());
        cb()->setText(QStringLiteral("old"));
        QTest::mouseClick(f->Command9, Qt::LeftButton);
        QCOMPARE(cb()->text(), QString());

        // Paragraphs go out with the platform's line ends and come back.
        rtb()->SetText(QStringLiteral("one\r\ntwo"));
        select(0, 7);
        QTest::mouseClick(f->Command8, Qt::LeftButton);
        QCOMPARE(cb()->text(), QStringLiteral("one\ntwo"));
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("one\r\ntwo"));

        // Another program's bold red word arrives as plain text in the
        // insertion point's italic.
        select(0, 3);
        rtb()->SetSelItalic(true);
        rtb()->SetSelStart(3);
        auto *rich = new QMimeData;
        rich->setHtml(QStringLiteral("<b style=\"color:#ff0000\">RED</b>"));
        rich->setText(QStringLiteral("RED"));
        cb()->setMimeData(rich);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("oneRED\r\ntwo"));
        QVERIFY(at(4).fontItalic());
        QVERIFY(at(4).fontWeight() < QFont::Bold);
        QVERIFY(!at(4).hasProperty(QTextFormat::ForegroundBrush));

        // No text on the clipboard: a selection goes, an insertion point stays.
        auto *picture = new QMimeData;
        picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
        cb()->setMimeData(picture);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        select(3, 3);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("one\r\ntwo"));

        // A clipboard another program holds loses nothing: Cut keeps the
        // selection, Paste the text, and both say why. The editing area's
        // own paste key is the window's Paste.
        clipboard->locked = true;
        select(4, 3);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(rtb()->SelText() + u'|' + f->status(), QStringLiteral("two|[ERROR] The clipboard is not available: nothing was cut"));
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rtb()->Text() + u'|' + f->status(),
                 QStringLiteral("one\r\ntwo|[ERROR] The clipboard is not available: nothing was pasted"));
    }

    void pasteAndStampAreUndoStepsOfTheirOwn_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Paste") << int(Qt::Key_Insert) << int(Qt::ShiftModifier);
        QTest::newRow("Time/ Date") << int(Qt::Key_T) << int(Qt::ControlModifier);
    }

    void pasteAndStampAreUndoStepsOfTheirOwn()
    {
        QFETCH(int, command);
        QFETCH(int, modifiers);
        cb()->setText(QStringLiteral("XY"));
        QTest::keyClicks(rtb(), QStringLiteral("ab"));
        const QString typed = rtb()->Text();
        QTest::keyClick(rtb(), Qt::Key(command), Qt::KeyboardModifiers(modifiers));
        const QString inserted = rtb()->Text();
        QVERIFY(inserted.size() > typed.size());
        QTest::keyClicks(rtb(), QStringLiteral("cd"));
        QCOMPARE(rtb()->Text(), inserted + QStringLiteral("cd"));
        for (const QString &back : {inserted, typed, QString()}) {
            key(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(rtb()->Text(), back);
        }
        // Over a selection, one step takes the insertion back and brings
        // the selected text back.
        QTest::keyClicks(rtb(), QStringLiteral("one two"));
        select(4, 3);
        QTest::keyClick(rtb(), Qt::Key(command), Qt::KeyboardModifiers(modifiers));
        QTest::keyClicks(rtb(), QStringLiteral("!"));
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("one two"));
    }

    void everyWayToTheClipboardIsPlainText()
    {
        // How each way is taken: a key of the editing area's own, or an item
        // of its context menu picked with the mouse.
        const struct { const char *way; bool cuts; std::function<QStringList()> run; } ways[] = {
            {"Ctrl+X", true, [this] { key(Qt::Key_X, Qt::ControlModifier); return QStringList(); }},
            {"Ctrl+Insert", false, [this] { key(Qt::Key_Insert, Qt::ControlModifier); return QStringList(); }},
            {"menu Cut", true, [this] { return fromMenu([this](QMenu *) { return f->cut; }); }},
            {"menu Copy", false, [this] { return fromMenu([this](QMenu *) { return f->copy; }); }},
        };
        for (const auto &w : ways) {
            rtb()->SetText(QStringLiteral("bold picture\r\nend"));
            select(0, 4);
            rtb()->SetSelBold(true);
            rtb()->SetSelStart(8);
            QTextCursor(rtb()->textCursor()).insertImage(QImage(8, 8, QImage::Format_RGB32));
            select(0, 17);
            const QStringList shown = w.run();
            const QMimeData *data = cb()->mimeData();
            QVERIFY2(data && data->formats() == QStringList{"text/plain"}, w.way);
            QCOMPARE(data->text(), QStringLiteral("bold picture\nend"));
            QCOMPARE(rtb()->Text().size(), w.cuts ? 0 : 18);
            // The menu names the window's keys for its commands.
            if (!shown.isEmpty())
                QVERIFY2(shown.contains("Ctrl+C") && shown.contains("Ctrl+Y") && shown.contains("Shift+Ins")
                             && !shown.contains("Ctrl+X") && !shown.contains("Ctrl+V"),
                         qPrintable(shown.join(u',')));
        }
        // Undo from the menu brings back a replaced document as Ctrl+Z does.
        rtb()->SetText(QStringLiteral("before"));
        f->clear_Click();
        fromMenu([](QMenu *menu) { return menu->actions().value(0); });
        QCOMPARE(rtb()->Text(), QStringLiteral("before"));
    }

    void clearAllAndSelectAll()
    {
        rtb()->SetText(QStringLiteral("first line\r\nsecond line"));
        select(5, 2);
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(QString::number(rtb()->SelStart()) + rtb()->SelText(), QStringLiteral("0first line\r\nsecond line"));

        rtb()->SetSelBold(true);
        f->setTitleFile(QStringLiteral("/home/u/letter.rtf"));
        const QString title = f->windowTitle();
        key(Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(rtb()->Text().isEmpty());
        QVERIFY(f->windowTitle() == title);
        // Ctrl+Z brings the text back with its formatting.
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("first line\r\nsecond line"));
        QVERIFY(at(0).font().bold());
        // Any length past the end stops there, from any start.
        select(6, std::numeric_limits<int>::max());
        QCOMPARE(rtb()->SelText(), QStringLiteral("line\r\nsecond line"));
    }

    void timeDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("United States") << "en_US" << "12/6/2026 3:47:29 AM";
        QTest::newRow("Germany") << "de_DE" << "06.12.2026 03:47:29";
    }

    void timeDate()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        rtb()->SetText(QStringLiteral("Dated: WORD."));
        select(7, 4);
        key(Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(rtb()->Text().replace(QChar(0x202F), u' ') + QString::number(rtb()->SelStart() - 7),
                 QStringLiteral("Dated: %1.%2").arg(expected).arg(expected.size()));
        // The date is read first, which matters when midnight falls between.
        QCOMPARE(clock->reads, QStringList({"date", "time"}));
        key(Qt::Key_Z, Qt::ControlModifier);   // one step takes it all back
        QCOMPARE(rtb()->Text(), QStringLiteral("Dated: WORD."));

        // Every locale: a four-digit year, no zone, no stray blanks.
        if (locale != QLatin1String("en_US"))
            return;
        static const QRegularExpression quoted(QStringLiteral("'[^']*'"));
        for (const QLocale &l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                         QLocale::AnyTerritory)) {
            const QString d = timedate::dateText(QDate(2026, 12, 6), l);
            const QString fmt = timedate::longTimeFormat(l);
            const QString t = timedate::timeText(QTime(15, 4, 5), l);
            QVERIFY2(d.contains(l.toString(2026).remove(l.groupSeparator()))
                         && !QString(fmt).remove(quoted).contains(u't') && !t.isEmpty() && t == t.trimmed(),
                     qPrintable(l.name() + ": " + d + " / " + t));
        }
    }

    void searchesForwardWrapsAndScrolls()
    {
        QStringList lines(300, QStringLiteral("filler"));
        lines.prepend(QStringLiteral("alpha beta ALPHA gamma"));
        lines << QStringLiteral("AlpHa end");
        rtb()->SetText(lines.join(QStringLiteral("\r\n")));
        const int last = int(rtb()->Text().indexOf(QStringLiteral("AlpHa"))) - 301;

        // From the middle, case-insensitively, then on to the far end.
        rtb()->SetSelStart(8);
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == 11);
        QVERIFY(rtb()->verticalScrollBar()->value() == 0);
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == last);
        QVERIFY(rtb()->viewport()->rect().contains(rtb()->cursorRect()));
        // Past the last one it wraps to the start.
        searchFor(QStringLiteral("alpha"));
        QVERIFY(rtb()->SelStart() == 0);
        QVERIFY(rtb()->SelLength() == 5);

        // Not found, or nothing typed: the selection stays.
        select(6, 4);
        searchFor(QStringLiteral("absent"));
        searchFor(QString());
        QCOMPARE(rtb()->SelText(), QStringLiteral("beta"));

        // A field's result is found as the text it shows.
        rtb()->SetTextRTF(QStringLiteral("{\\rtf1 Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} of 2}"));
        searchFor(QStringLiteral("page 1 of"));
        QCOMPARE(rtb()->SelText(), QStringLiteral("Page 1 of"));
    }

    void oneWindowKeepsTextUntilClosed()
    {
        rtb()->SetText(QStringLiteral("find me"));
        f->search_Click();
        QPointer<Form2> first = window<Form2>();
        QVERIFY(QTest::qWaitForWindowActive(first.data()));
        // Go! has the focus, and shows it.
        QTRY_COMPARE(QApplication::focusWidget(), first->Command1);
        const QImage focused = first->Command1->grab().toImage();
        first->Text1->setFocus();
        QVERIFY(first->Command1->grab().toImage() != focused);
        // At its fixed size the label's caption still fits.
        QVERIFY(first->Label1->fontMetrics().horizontalAdvance(first->Label1->text()) <= first->Label1->width());
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(window<Form2>(), first.data());

        // Enter in the field does not search; the main window stays editable.
        QTest::keyClicks(first->Text1, QStringLiteral("me"));
        QTest::keyClick(first->Text1, Qt::Key_Return);
        QVERIFY(first->isVisible());
        QVERIFY(rtb()->SelLength() == 0);
        QTest::keyClicks(rtb(), QStringLiteral(">"));
        QCOMPARE(rtb()->Text(), QStringLiteral(">find me"));

        // Hidden by Go!, shown again with its text.
        QTest::mouseClick(first->Command1, Qt::LeftButton);
        QCOMPARE(rtb()->SelText(), QStringLiteral("me"));
        f->search_Click();
        QVERIFY(window<Form2>() == first);
        QVERIFY(first->Text1->text() == QStringLiteral("me"));

        // The close box discards it; the next one starts empty.
        first->close();
        QTRY_VERIFY(!first);
        f->Command2_Click();
        QVERIFY(window<Form2>()->Text1->text().isEmpty());
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"

// The main window: its menu tree, toolbar, layout rule, title and status line,
// and the menu's shortcut keys winning over the editing area.

#include "common/MainWindowFixture.h"
#include "shell/Twips.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStatusBar>

namespace {

// "name caption shortcut" per entry, "|" between entries.
QString describe(const QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << QStringList{a->objectName(), a->isSeparator() ? QStringLiteral("-") : a->text(),
                           a->shortcut().toString(QKeySequence::PortableText)}
                   .join(u' ').trimmed();
    return out.join(u'|');
}

} // namespace

class TestForm1 : public QObject, MainWindowFixture
{
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void menusAndToolbar()
    {
        QStringList bar;
        for (QAction *a : f->menuBar()->actions())
            bar << a->objectName() + u' ' + a->text();
        QCOMPARE(bar.join(u'|'), "archivo File|edit Edit|view View|tools &Tools|font Font|about About");
        QVERIFY(f->about->menu() == nullptr);   // About runs at once
        const QPair<QMenu *, QString> menus[] = {
            {f->archivo, "nuevo &New|abrir &Open Ctrl+O|save &Save Ctrl+S|print Print Ctrl+P|d -|end &Exit Ctrl+Q"},
            {f->edit, "cut Cut Ctrl+C|copy Copy Ctrl+Y|paste Paste Shift+Ins|clear Clear All Shift+Del|"
                      "select Select All Ctrl+A|bar -|search &Search Ctrl+F|timedate Time/ Date Ctrl+T"},
            {f->view, "full View Fullscreen F2|tip View Tip of the Day"},
            {f->tools, "encript Encript/Decript|inet Internet Transfers"},
            {f->fontMenu, "arial Arial|arialblack Arial Black|sans MS Sans Serif|msserif MS Serif|small Small Fonts|"
                          "tahoma Tahoma|times Times New Roman|verdana Verdana|wing Wingdings|more &More Fonts...|"
                          "divide -|size Size|color Color"},
            {f->sizeMenu, "ten 10|vei 20|tre 30|cua 40|ses 60|set 70"}};
        for (const auto &[menu, expected] : menus)
            QCOMPARE(describe(menu), expected);
        QCOMPARE(f->encript->text(), QStringLiteral("Encript/Decript "));   // the blank is kept
        for (QAction *a : f->findChildren<QAction *>())
            QVERIFY2(!a->isCheckable() && a->isEnabled() && a->isVisible(), qPrintable(a->objectName()));

        // Buttons left to right: name, left edge in twips, tooltip, and the
        // name a screen reader gives it; each also says what it does.
        const char *expected =
            "Command5 0 New File New File|Command6 360 Save File Save File|Command7 720 Open File Open File|"
            "Command14 1080 Print File Print File|Command8 1680 Cut Selected Text Cut|"
            "Command9 2040 Copy Selected Text Copy|Command10 2400 Paste the selected Text Paste|"
            "Command1 3120 Internet Transfers Internet Transfers|Command3 3480 Encrypt or Decrypt Text Encrypt or Decrypt|"
            "Command2 3840 Search for Text Search|Command11 4320 Underline Underline|Command12 4680 Italic Italic|"
            "Command13 5040 Bold Bold|Command17 5520 Text Color Color|Command15 6120 Full Screen View Full Screen View|"
            "Command16 6480 Tip of day Tip of the Day";
        QList<QPushButton *> buttons = f->Toolbar1->findChildren<QPushButton *>();
        std::sort(buttons.begin(), buttons.end(), [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
        QStringList found;
        for (QPushButton *b : buttons) {
            const int left = qRound(twips::fromPxX(b->x()) / 15.0) * 15;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
            QVERIFY(a);
            QVERIFY(a->role() == QAccessible::Button);
            found << QStringLiteral("%1 %2 %3 %4").arg(b->objectName()).arg(left).arg(b->toolTip(), a->text(QAccessible::Name)).simplified();
            QVERIFY2(a->text(QAccessible::Description).size() > 10, qPrintable(b->objectName()));
            QVERIFY(b->geometry() == twips::rect(left, 0, 375, 375));
            QVERIFY(b->text().isEmpty());
            QVERIFY(!b->isCheckable());
            // Every picture lies inside its button's frame; those that fit
            // keep their own size. A drawing of its own at 200%, not the
            // small one scaled.
            QStyleOptionButton opt;
            opt.initFrom(b);
            const QRect face = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
            const QList<QSize> drawn = b->icon().availableSizes();
            QVERIFY2(!b->icon().pixmap(b->iconSize()).isNull() && drawn.contains(drawn.value(0) * 2)
                         && face.width() >= b->iconSize().width() && face.height() >= b->iconSize().height(),
                     qPrintable(b->objectName()));
            if (drawn[0].width() <= face.width() && drawn[0].height() <= face.height())
                QCOMPARE(b->iconSize(), drawn[0]);
        }
        QCOMPARE(found.join(u'|'), QLatin1String(expected));
        QCOMPARE(f->Toolbar1->height(), twips::toPxY(420));
    }

    void startsEmptyWithTitleAndStatus()
    {
        QCOMPARE(QStringList({f->windowTitle(), f->status(), rtb()->Text(), rtb()->Font().family()}),
                 QStringList({kCaption, "", "", "MS Sans Serif"}));
        QVERIFY(rtb()->Font().pointSizeF() == 8.5 && rtb()->hasFocus() && !f->windowIcon().pixmap(32).isNull()
                && f->centralWidget()->palette().color(QPalette::Window) == QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(rtb()->pos(), QPoint(twips::toPxX(120), twips::toPxY(600)));
        QCOMPARE(f->centralWidget()->size(), QSize(twips::toPxX(7005), twips::toPxY(4680)));

        // The line fits its 255-twip bar: whole lines in height, a long
        // message shortened in the middle, the whole of it as the tooltip.
        auto *line = f->StatusBar1->findChild<QLabel *>(QStringLiteral("StatusText"));
        QVERIFY(line);
        QCOMPARE(f->StatusBar1->height(), twips::toPxY(255));
        QCOMPARE(line->geometry(), f->StatusBar1->rect());
        for (int width : {twips::toPxX(7005), 900}) {
            f->resize(width, f->height());
            QTRY_COMPARE(line->width(), f->centralWidget()->width());
            const QString path = QStringLiteral("/home/ana/") + QString(40, u'd') + QStringLiteral("/letter.rtf");
            for (const QString &message : {QStringLiteral("[ACTION] File Opened: ") + path + path,
                                           QStringLiteral("[FUNC] y (gjpq)")}) {
                f->setStatus(message);
                QVERIFY(f->status() == message);
                QVERIFY(f->StatusBar1->toolTip() == message);
                const QFontMetrics fm = line->fontMetrics();
                const QRect room = line->contentsRect();
                const QString shown = line->text();
                QVERIFY(fm.height() <= room.height());
                QVERIFY(fm.horizontalAdvance(shown) <= room.width());
                QVERIFY2(fm.horizontalAdvance(message) <= room.width() - 4
                             ? shown == message
                             : shown.startsWith("[ACTION] File") && shown.endsWith("/letter.rtf") && shown.contains(u'\u2026'),
                         qPrintable(shown));
            }
        }

        // A screen reader reads it out as its current text.
        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(line);
        QVERIFY(status);
        QVERIFY(status->parent()->role() == QAccessible::StatusBar);
        f->setStatus(StatusTag::Action, QStringLiteral("File Saved/c"));
        QCOMPARE(status->text(QAccessible::Name), QStringLiteral("[ACTION] File Saved/c"));
    }

    void toolWindowsNameTheirBoxesAndGoWithEscape()
    {
        // The command that opens the window, its text boxes and the names a
        // screen reader gives them.
        struct Case { void (Form1::*open)(); QString names; };
        const Case cases[] = {{&Form1::search_Click, "Text1 Search For:"},
                              {&Form1::encript_Click, "Text1 Decript Password:|Text2 Encript Password:"},
                              {&Form1::inet_Click, "Text1 URL:"}};
        for (const Case &c : cases) {
            (f.get()->*c.open)();
            QWidget *w = nullptr;
            QTRY_VERIFY((w = QApplication::activeWindow()) && w != f.get());
            QStringList names;
            for (QLineEdit *box : w->findChildren<QLineEdit *>())
                names << box->objectName() + u' ' + QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name);
            names.sort();
            QCOMPARE(names.join(u'|'), c.names);
            const QPointer<QWidget> window = w;
            QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!window);
            QVERIFY(f->isVisible());
        }
    }

    void everyButtonReachedFromTheKeyboard()
    {
        // Tab types in the editing area; Ctrl+Tab leaves it for the buttons,
        // Tab walks them, Space presses one, Ctrl+Shift+Tab goes back.
        key(Qt::Key_Tab, {});
        QCOMPARE(rtb()->Text(), QStringLiteral("\t"));
        const QImage plain = f->Command14->grab().toImage();
        key(Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(f->Command14->grab().toImage() != plain);   // the focus shows
        QStringList order;
        for (int i = 0; i < 17 && QApplication::focusWidget() != rtb(); ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), QStringLiteral("Command14 Command10 Command9 Command8 Command7 Command6 Command5 "
                                                  "Command16 Command15 Command2 Command1 Command3 Command13 "
                                                  "Command12 Command11 Command17"));
        QCOMPARE(rtb()->Text(), QStringLiteral("\t"));   // Tab on a button types nothing
        select(0, 1);
        key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), f->Command17);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), f->Command13);
        QTest::keyClick(f->Command13, Qt::Key_Space);
        QVERIFY(at(0).font().bold());
    }

    void resizeRule()
    {
        // Outer sizes in twips; the editing area is 400 x 1750 smaller, and a
        // side too small for that keeps its last length.
        const struct { int w, h; bool wide, tall; } sizes[] = {
            {9000, 6000, true, true}, {8000, 1500, true, false}, {300, 5000, false, true}};
        RichTextBox *box = rtb();
        const QSize frame = f->frameGeometry().size() - f->size();
        for (const auto &s : sizes) {
            const float keptW = box->Width(), keptH = box->Height();
            f->resize(twips::toPxX(s.w) - frame.width(), twips::toPxY(s.h) - frame.height());
            if (s.wide)
                QTRY_COMPARE(f->frameGeometry().width(), twips::toPxX(s.w));
            if (s.tall)
                QTRY_COMPARE(f->frameGeometry().height(), twips::toPxY(s.h));
            QCOMPARE(box->Width(), s.wide ? float(twips::fromPxX(twips::toPxX(s.w))) - 400.0f : keptW);
            QCOMPARE(box->Height(), s.tall ? float(twips::fromPxY(twips::toPxY(s.h))) - 1750.0f : keptH);
            QCOMPARE(box->geometry(), QRect(twips::toPxX(120), twips::toPxY(600), twips::toPxX(box->Width()),
                                            twips::toPxY(box->Height())));
        }

        // A tall window makes the editing area reach under the status bar; the
        // bar is still on top and spans the client width at the bottom.
        QWidget *client = f->centralWidget();
        f->resize(f->width() + 100, f->height() + 400);
        QTRY_COMPARE(f->StatusBar1->geometry().bottom(), client->height() - 1);
        QVERIFY(f->StatusBar1->width() == client->width());
        QVERIFY(f->Toolbar1->width() == client->width());
        QWidget *top = client->childAt(f->StatusBar1->geometry().center());
        QVERIFY(top == f->StatusBar1 || f->StatusBar1->isAncestorOf(top));
    }

    void shortcutsWinOverEditingArea()
    {
        struct Key { QAction *action; int key; Qt::KeyboardModifiers mods; };
        const Key keys[] = {
            {f->cut, Qt::Key_C, Qt::ControlModifier}, {f->copy, Qt::Key_Y, Qt::ControlModifier},
            {f->select, Qt::Key_A, Qt::ControlModifier}, {f->paste, Qt::Key_Insert, Qt::ShiftModifier},
            {f->clear, Qt::Key_Delete, Qt::ShiftModifier}, {f->search, Qt::Key_F, Qt::ControlModifier},
            {f->abrir, Qt::Key_O, Qt::ControlModifier}, {f->print, Qt::Key_P, Qt::ControlModifier},
            {f->end, Qt::Key_Q, Qt::ControlModifier}, {f->save, Qt::Key_S, Qt::ControlModifier},
            {f->timedate, Qt::Key_T, Qt::ControlModifier}, {f->full, Qt::Key_F2, Qt::NoModifier}};

        for (const Key &k : keys) {
            // Routing only: the commands themselves are tested with their subsystems.
            QObject::disconnect(k.action, &QAction::triggered, f.get(), nullptr);
            rtb()->SetText(QStringLiteral("alpha beta"));
            select(0, 5);
            QSignalSpy spy(k.action, &QAction::triggered);
            QTest::keyClick(rtb(), Qt::Key(k.key), k.mods);
            QCOMPARE(spy.count(), 1);
            // The editing area did not act on the key itself.
            QCOMPARE(rtb()->Text(), QStringLiteral("alpha beta"));
            QCOMPARE(rtb()->SelText(), QStringLiteral("alpha"));
        }

        // Alt with a letter is an access key: only "&Tools" has one, and the
        // others type nothing.
        rtb()->SetText(QStringLiteral("text"));
        for (Qt::Key k : {Qt::Key_F, Qt::Key_E, Qt::Key_V, Qt::Key_O, Qt::Key_A, Qt::Key_X})
            QTest::keyClick(rtb(), k, Qt::AltModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("text"));
        QTest::keyClick(rtb(), Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(f->tools->isVisible());
        f->tools->close();
        QCOMPARE(rtb()->Text(), QStringLiteral("text"));

        // Its other keys, undo included, stay its own.
        rtb()->SetText(QString());
        QTest::keyClicks(rtb(), QStringLiteral("abc"));
        QTest::keyClick(rtb(), Qt::Key_Backspace);
        QCOMPARE(rtb()->Text(), QStringLiteral("ab"));
        QTest::keyClick(rtb(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("abc"));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

// The main window: its menu tree, toolbar, layout rule, title and status line,
// and the menu's shortcut keys winning over the editing area.

#include "common/ScriptedDialogHost.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"
#include "shell/Twips.h"

#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void menuTree();
    void toolbar();
    void startsEmpty();
    void resizeRule();
    void statusBarStaysAboveEditingArea();
    void shortcutsWinOverEditingArea();
};

namespace {

struct Entry { const char *name; const char *caption; QKeySequence shortcut; };

QStringList describe(const QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << QStringLiteral("%1|%2|%3").arg(a->objectName(), a->isSeparator() ? QStringLiteral("-") : a->text(),
                                             a->shortcut().toString(QKeySequence::PortableText));
    return out;
}

QStringList describe(std::initializer_list<Entry> entries)
{
    QStringList out;
    for (const Entry &e : entries)
        out << QStringLiteral("%1|%2|%3").arg(QLatin1String(e.name), QLatin1String(e.caption),
                                             e.shortcut.toString(QKeySequence::PortableText));
    return out;
}

} // namespace

void TestForm1::menuTree()
{
    ScriptedDialogHost host;
    Form1 f(&host);

    QStringList bar;
    for (QAction *a : f.menuBar()->actions())
        bar << a->objectName() + QLatin1Char('|') + a->text();
    QCOMPARE(bar, (QStringList{"archivo|File", "edit|Edit", "view|View", "tools|&Tools",
                               "font|Font", "about|About"}));
    // About runs at once: no submenu.
    QVERIFY(f.about->menu() == nullptr);

    const QKeySequence none;
    QCOMPARE(describe(f.archivo), describe({{"nuevo", "&New", none},
                                            {"abrir", "&Open", QKeySequence("Ctrl+O")},
                                            {"save", "&Save", QKeySequence("Ctrl+S")},
                                            {"print", "Print", QKeySequence("Ctrl+P")},
                                            {"d", "-", none},
                                            {"end", "&Exit", QKeySequence("Ctrl+Q")}}));
    QCOMPARE(describe(f.edit), describe({{"cut", "Cut", QKeySequence("Ctrl+C")},
                                         {"copy", "Copy", QKeySequence("Ctrl+Y")},
                                         {"paste", "Paste", QKeySequence("Shift+Ins")},
                                         {"clear", "Clear All", QKeySequence("Shift+Del")},
                                         {"select", "Select All", QKeySequence("Ctrl+A")},
                                         {"bar", "-", none},
                                         {"search", "&Search", QKeySequence("Ctrl+F")},
                                         {"timedate", "Time/ Date", QKeySequence("Ctrl+T")}}));
    QCOMPARE(describe(f.view), describe({{"full", "View Fullscreen", QKeySequence("F2")},
                                         {"tip", "View Tip of the Day", none}}));
    QCOMPARE(describe(f.tools), describe({{"encript", "Encript/Decript ", none},
                                          {"inet", "Internet Transfers", none}}));
    QCOMPARE(describe(f.fontMenu), describe({{"arial", "Arial", none},
                                             {"arialblack", "Arial Black", none},
                                             {"sans", "MS Sans Serif", none},
                                             {"msserif", "MS Serif", none},
                                             {"small", "Small Fonts", none},
                                             {"tahoma", "Tahoma", none},
                                             {"times", "Times New Roman", none},
                                             {"verdana", "Verdana", none},
                                             {"wing", "Wingdings", none},
                                             {"more", "&More Fonts...", none},
                                             {"divide", "-", none},
                                             {"size", "Size", none},
                                             {"color", "Color", none}}));
    QCOMPARE(describe(f.sizeMenu), describe({{"ten", "10", none}, {"vei", "20", none},
                                             {"tre", "30", none}, {"cua", "40", none},
                                             {"ses", "60", none}, {"set", "70", none}}));

    // Nothing is checkable, disabled or hidden.
    for (QAction *a : f.findChildren<QAction *>()) {
        QVERIFY2(!a->isCheckable() && a->isEnabled() && a->isVisible(), qPrintable(a->objectName()));
    }
}

void TestForm1::toolbar()
{
    ScriptedDialogHost host;
    Form1 f(&host);

    struct Button { const char *name; int left; const char *tooltip; };
    const Button expected[] = {
        {"Command5", 0, "New File"}, {"Command6", 360, "Save File"},
        {"Command7", 720, "Open File"}, {"Command14", 1080, "Print File"},
        {"Command8", 1680, "Cut Selected Text"}, {"Command9", 2040, "Copy Selected Text"},
        {"Command10", 2400, "Paste the selected Text"}, {"Command1", 3120, "Internet Transfers"},
        {"Command3", 3480, ""}, {"Command2", 3840, ""}, {"Command11", 4320, "Underline"},
        {"Command12", 4680, "Italic"}, {"Command13", 5040, "Bold"}, {"Command17", 5520, ""},
        {"Command15", 6120, "Full Screen View"}, {"Command16", 6480, "Tip of day"}};

    QList<QPushButton *> buttons = f.Toolbar1->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    QCOMPARE(buttons.size(), int(std::size(expected)));
    for (int i = 0; i < buttons.size(); ++i) {
        const Button &e = expected[i];
        QPushButton *b = buttons.at(i);
        QCOMPARE(b->objectName(), QLatin1String(e.name));
        QCOMPARE(b->geometry(), twips::rect(e.left, 0, 375, 375));
        QCOMPARE(b->toolTip(), QLatin1String(e.tooltip));
        QVERIFY(b->text().isEmpty());
        QVERIFY2(!b->icon().pixmap(b->iconSize()).isNull(), e.name);
        QVERIFY(!b->isCheckable());
    }
    QCOMPARE(f.Toolbar1->height(), twips::toPxY(420));
}

void TestForm1::startsEmpty()
{
    ScriptedDialogHost host;
    Form1 f(&host);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.windowTitle(), QStringLiteral("Quillet 99 v2.0"));
    QCOMPARE(f.Status(), QString());
    QCOMPARE(f.RichTextBox1->Text(), QString());
    QCOMPARE(f.RichTextBox1->Font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(f.RichTextBox1->Font().pointSizeF(), 8.5);
    QCOMPARE(f.RichTextBox1->pos(), QPoint(twips::toPxX(120), twips::toPxY(600)));
    QCOMPARE(f.client->size(), QSize(twips::toPxX(7005), twips::toPxY(4680)));
    QVERIFY(f.RichTextBox1->hasFocus());
    QVERIFY(f.client->palette().color(QPalette::Window) == QColor(0xC0, 0xC0, 0xC0));
    QVERIFY(!f.windowIcon().pixmap(32).isNull());

    // Each status write replaces the whole line; the two title forms.
    f.SetStatus(QStringLiteral("[ACTION] File Opened: /tmp/a.rtf"));
    f.SetStatus(QStringLiteral("[ERROR] An error has occurred (CANCEL)"));
    QCOMPARE(f.Status(), QStringLiteral("[ERROR] An error has occurred (CANCEL)"));
    f.SetTitleFile(QStringLiteral("/home/ana/letter.rtf"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Quillet 99 v2.0: /home/ana/letter.rtf"));
    f.ResetTitle();
    QCOMPARE(f.windowTitle(), Form1::Caption);
}

void TestForm1::resizeRule()
{
    ScriptedDialogHost host;
    Form1 f(&host);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const int frameW = f.frameGeometry().width() - f.width();
    const int frameH = f.frameGeometry().height() - f.height();

    // Outer size 9000 x 6000 twips gives an editing area of 8600 x 4250.
    f.resize(twips::toPxX(9000) - frameW, twips::toPxY(6000) - frameH);
    QTRY_COMPARE(f.frameGeometry().size(), QSize(twips::toPxX(9000), twips::toPxY(6000)));
    QCOMPARE(f.RichTextBox1->Width(), float(twips::fromPxX(twips::toPxX(9000))) - 400.0f);
    QCOMPARE(f.RichTextBox1->Height(), float(twips::fromPxY(twips::toPxY(6000))) - 1750.0f);
    QCOMPARE(f.RichTextBox1->size(), QSize(twips::toPxX(f.RichTextBox1->Width()),
                                            twips::toPxY(f.RichTextBox1->Height())));
    QCOMPARE(f.RichTextBox1->pos(), QPoint(twips::toPxX(120), twips::toPxY(600)));

    // Too low for the height rule: the height stays, the width still follows.
    const float keptHeight = f.RichTextBox1->Height();
    f.resize(twips::toPxX(8000) - frameW, twips::toPxY(1500) - frameH);
    QTRY_COMPARE(f.frameGeometry().width(), twips::toPxX(8000));
    QCOMPARE(f.RichTextBox1->Height(), keptHeight);
    QCOMPARE(f.RichTextBox1->Width(), float(twips::fromPxX(twips::toPxX(8000))) - 400.0f);

    // Too narrow: the width stays, the height follows; restoring applies the rule again.
    const float keptWidth = f.RichTextBox1->Width();
    f.resize(twips::toPxX(300) - frameW, twips::toPxY(5000) - frameH);
    QTRY_COMPARE(f.frameGeometry().height(), twips::toPxY(5000));
    QCOMPARE(f.RichTextBox1->Width(), keptWidth);
    QCOMPARE(f.RichTextBox1->Height(), float(twips::fromPxY(twips::toPxY(5000))) - 1750.0f);
}

void TestForm1::statusBarStaysAboveEditingArea()
{
    ScriptedDialogHost host;
    Form1 f(&host);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    // A tall window makes the editing area reach under the status bar; the bar
    // is still on top and spans the client width at the bottom.
    f.resize(f.width() + 100, f.height() + 400);
    QTRY_COMPARE(f.StatusBar1->geometry().bottom(), f.client->height() - 1);
    QCOMPARE(f.StatusBar1->width(), f.client->width());
    QCOMPARE(f.Toolbar1->width(), f.client->width());
    const QPoint probe = f.StatusBar1->geometry().center();
    QWidget *top = f.client->childAt(probe);
    QVERIFY(top == f.StatusBar1 || f.StatusBar1->isAncestorOf(top));
}

void TestForm1::shortcutsWinOverEditingArea()
{
    ScriptedDialogHost host;
    Form1 f(&host);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    RichTextBox *box = f.RichTextBox1;
    box->setFocus();
    QVERIFY(box->hasFocus());

    struct Key { QAction *action; int key; Qt::KeyboardModifiers mods; };
    const Key keys[] = {
        {f.cut, Qt::Key_C, Qt::ControlModifier}, {f.copy, Qt::Key_Y, Qt::ControlModifier},
        {f.select, Qt::Key_A, Qt::ControlModifier}, {f.paste, Qt::Key_Insert, Qt::ShiftModifier},
        {f.clear, Qt::Key_Delete, Qt::ShiftModifier}, {f.search, Qt::Key_F, Qt::ControlModifier},
        {f.abrir, Qt::Key_O, Qt::ControlModifier}, {f.print, Qt::Key_P, Qt::ControlModifier},
        {f.end, Qt::Key_Q, Qt::ControlModifier}, {f.save, Qt::Key_S, Qt::ControlModifier},
        {f.timedate, Qt::Key_T, Qt::ControlModifier}, {f.full, Qt::Key_F2, Qt::NoModifier}};

    for (const Key &k : keys) {
        // Routing only: the commands themselves are tested with their subsystems.
        QObject::disconnect(k.action, &QAction::triggered, &f, nullptr);
        box->SetText(QStringLiteral("alpha beta"));
        box->SetSelStart(0);
        box->SetSelLength(5);
        QSignalSpy spy(k.action, &QAction::triggered);
        QTest::keyClick(box, Qt::Key(k.key), k.mods);
        QCOMPARE(spy.count(), 1);
        // The editing area did not act on the key itself.
        QCOMPARE(box->Text(), QStringLiteral("alpha beta"));
        QCOMPARE(box->SelText(), QStringLiteral("alpha"));
    }

    // Its other keys, undo included, stay its own.
    box->SetText(QString());
    QTest::keyClicks(box, QStringLiteral("abc"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->Text(), QStringLiteral("ab"));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->Text(), QStringLiteral("abc"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

// Faces, sizes, style buttons, colour and the font dialog on the selection,
// and the font dialog with its colour.

#include "common/ScriptedDialogHost.h"
#include "format/FontEffectsDialog.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

class TestFormat : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }
    void select(int start, int length) { rtb()->SetSelStart(start); rtb()->SetSelLength(length); }
    QTextCharFormat at(int pos) const
    {
        QTextCursor c(rtb()->document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }
    QString face(int pos) const { return at(pos).fontFamilies().toStringList().value(0); }
    double size(int pos) const
    {
        const double s = at(pos).fontPointSize();
        return s > 0 ? s : rtb()->document()->defaultFont().pointSizeF();
    }

private slots:
    void init()
    {
        host = std::make_unique<ScriptedDialogHost>();
        f = std::make_unique<Form1>(host.get());
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
    }
    void cleanup() { f.reset(); }

    void facesAndSizesKeepTheOtherAttribute()
    {
        // Two runs, Courier 20 and Verdana 40; items act on a span across both.
        rtb()->SetText(QStringLiteral("aaaabbbb"));
        select(0, 4);
        rtb()->SetSelFontName(QStringLiteral("Courier"));
        rtb()->SetSelFontSize(20);
        select(4, 4);
        rtb()->SetSelFontName(QStringLiteral("Verdana"));
        rtb()->SetSelFontSize(40);
        const QList<QPair<QAction *, QString>> faces = {
            {f->arial, "arial"}, {f->arialblack, "Arial Black"}, {f->sans, "MS Sans Serif"},
            {f->msserif, "MS Serif"}, {f->small, "Small Fonts"}, {f->tahoma, "Tahoma"},
            {f->times, "Times New Roman"}, {f->verdana, "Verdana"}, {f->wing, "wingdings"}};
        for (const auto &[item, name] : faces) {
            select(2, 4);
            item->trigger();
            QCOMPARE(face(2), name);
            QCOMPARE(face(5), name);
            QCOMPARE(face(0), QStringLiteral("Courier"));
            QCOMPARE(size(2), 20.0);
            QCOMPARE(size(5), 40.0);
        }
        const QList<QPair<QAction *, double>> sizes = {
            {f->ten, 10}, {f->vei, 20}, {f->tre, 30}, {f->cua, 40}, {f->ses, 60}, {f->set, 70}};
        for (const auto &[item, points] : sizes) {
            select(0, 6);
            item->trigger();
            QCOMPARE(size(0), points);
            QCOMPARE(size(5), points);
            QCOMPARE(size(6), 40.0);
            QCOMPARE(face(0), QStringLiteral("Courier"));
            QCOMPARE(face(5), QStringLiteral("wingdings"));
        }
        // Nothing selected: the size goes to the text typed next.
        rtb()->SetSelStart(8);
        f->cua->trigger();
        QTest::keyClicks(rtb(), QStringLiteral("xy"));
        QCOMPARE(size(9), 40.0);
    }

    void styleButtonsToggleOnTheSelection()
    {
        rtb()->SetText(QStringLiteral("plain word"));
        select(6, 4);
        const QList<QPair<QPushButton *, std::function<bool(const QTextCharFormat &)>>> buttons = {
            {f->Command11, [](const QTextCharFormat &c) { return c.fontUnderline(); }},
            {f->Command12, [](const QTextCharFormat &c) { return c.fontItalic(); }},
            {f->Command13, [](const QTextCharFormat &c) { return c.fontWeight() >= QFont::Bold; }}};
        for (const auto &[button, styled] : buttons) {
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(styled(at(6)) && styled(at(9)));
            QTest::mouseClick(button, Qt::LeftButton);   // pressed again: off
            QVERIFY(!styled(at(6)) && !styled(at(9)));
        }
        // A partly styled selection becomes styled throughout.
        select(0, 2);
        rtb()->SetSelUnderline(true);
        rtb()->SetSelBold(true);
        rtb()->SetSelItalic(true);
        select(0, 5);
        for (QPushButton *b : {f->Command11, f->Command12, f->Command13})
            QTest::mouseClick(b, Qt::LeftButton);
        const QTextCharFormat c = at(4);
        QVERIFY(c.fontUnderline() && c.fontItalic() && c.fontWeight() == QFont::Bold);
        QVERIFY(!at(6).fontUnderline());
        // Nothing selected: the style goes to the text typed next.
        rtb()->SetSelStart(10);
        f->Command13_Click();
        QTest::keyClicks(rtb(), QStringLiteral("!"));
        QCOMPARE(at(10).fontWeight(), int(QFont::Bold));
    }

    void colourAndFontDialog()
    {
        rtb()->SetText(QStringLiteral("abcdefgh"));
        QColor offered;
        host->colors.enqueue([&](QColor &c) { c = Qt::red; return true; });
        select(0, 2);
        f->color_Click();
        QCOMPARE(rtb()->SelColor(), 0x000000FFu);

        // Cancel: the dialog opened on red, the selection keeps its colour.
        host->colors.enqueue([&](QColor &c) { offered = c; return false; });
        select(2, 2);
        QTest::mouseClick(f->Command17, Qt::LeftButton);
        QCOMPARE(offered, QColor(Qt::red));
        QVERIFY(!at(2).hasProperty(QTextFormat::ForegroundBrush));

        // Font dialog cancelled: nothing changes, cancels fail from now on.
        select(0, 6);
        rtb()->SetSelBold(true);
        rtb()->SetSelUnderline(true);
        const QString before = rtb()->document()->toHtml();
        host->fonts.enqueue([](QFont &, QColor &, int flags) { return flags == 259 && false; });
        f->more_Click();
        QCOMPARE(host->calls.last().flags, 259);
        QVERIFY(f->CommonDialog1.CancelError);
        QCOMPARE(rtb()->document()->toHtml(), before);

        // Accepted after changing only the size: all seven are written.
        f->CommonDialog1.FontName = QStringLiteral("Courier");
        f->CommonDialog1.FontItalic = f->CommonDialog1.FontStrikethru = true;
        f->CommonDialog1.Color = 0x00FF0000;
        QFont given;
        host->fonts.enqueue([&](QFont &font, QColor &, int) {
            given = font;
            font.setPointSizeF(14);
            return true;
        });
        select(1, 4);
        f->more_Click();
        QCOMPARE(given.families().value(0), QStringLiteral("Courier"));
        const QTextCharFormat c = at(3);
        QCOMPARE(face(3), QStringLiteral("Courier"));
        QCOMPARE(c.fontPointSize(), 14.0);
        QVERIFY(c.fontWeight() < QFont::Bold && c.fontItalic() && !c.fontUnderline());
        QVERIFY(c.fontStrikeOut());
        QCOMPARE(c.foreground().color(), QColor(Qt::blue));
        QCOMPARE(at(0).fontWeight(), int(QFont::Bold));

        // That colour is the one a later colour dialog opens on.
        host->colors.enqueue([&](QColor &c) { offered = c; return false; });
        f->color_Click();
        QCOMPARE(offered, QColor(Qt::blue));
    }

    void formatsSurviveRtfSaveAndReopen()
    {
        rtb()->SetText(QStringLiteral("arial wing big bold ital under red"));
        auto apply = [&](int start, int len, void (Form1::*cmd)()) {
            select(start, len);
            (f.get()->*cmd)();
        };
        apply(0, 5, &Form1::arial_Click);
        apply(6, 4, &Form1::wing_Click);
        apply(11, 3, &Form1::ses_Click);
        apply(15, 4, &Form1::Command13_Click);
        apply(20, 4, &Form1::Command12_Click);
        apply(25, 5, &Form1::Command11_Click);
        host->colors.enqueue([](QColor &c) { c = QColor(255, 0, 0); return true; });
        apply(31, 3, &Form1::color_Click);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("formats.rtf"));
        QString error;
        QVERIFY2(rtb()->SaveFile(path, RichTextBox::rtfRTF, &error), qPrintable(error));
        f->clear_Click();
        QVERIFY2(rtb()->LoadFile(path, RichTextBox::rtfRTF, &error), qPrintable(error));
        QCOMPARE(rtb()->Text(), QStringLiteral("arial wing big bold ital under red"));
        // Faces this machine lacks keep their names.
        QCOMPARE(face(0), QStringLiteral("arial"));
        QCOMPARE(face(6), QStringLiteral("wingdings"));
        QCOMPARE(size(11), 60.0);
        QCOMPARE(at(15).fontWeight(), int(QFont::Bold));
        QVERIFY(at(14).fontWeight() < QFont::Bold);
        QVERIFY(at(20).fontItalic());
        QVERIFY(at(25).fontUnderline());
        QCOMPARE(at(31).foreground().color(), QColor(255, 0, 0));
    }

    void fontDialogOffersEffectsAndColour()
    {
        FontEffectsDialog dlg(QFont(QStringLiteral("DejaVu Sans"), 12), Qt::red, 259);
        QCOMPARE(dlg.colourBox()->currentText(), QStringLiteral("Red"));
        const QList<QCheckBox *> effects = dlg.findChildren<QCheckBox *>();
        QCOMPARE(effects.size(), 2);   // strike-through and underline
        for (QCheckBox *b : effects)
            b->click();
        dlg.colourBox()->setCurrentIndex(dlg.colourBox()->findText(QStringLiteral("Navy")));
        QCOMPARE(dlg.selectedColor(), QColor(0, 0, 128));
        QVERIFY(dlg.selectedFont().underline() && dlg.selectedFont().strikeOut());
        // A colour not among the sixteen is kept as offered.
        QCOMPARE(FontEffectsDialog(QFont(), QColor(10, 20, 30), 259).selectedColor(),
                 QColor(10, 20, 30));

        // OK untouched returns the style given (Qt's picker alone takes the
        // face's first style, e.g. condensed italic).
        for (const QString &family : QFontDatabase::families()) {
            if (QFontDatabase::styles(family).size() < 4)
                continue;
            for (const bool bold : {false, true}) {
                QFont given(family, 11);
                given.setBold(bold);
                const QFont back = FontEffectsDialog(given, Qt::black, 259).selectedFont();
                QVERIFY2(!back.italic() && back.bold() == bold, qPrintable(family));
                QCOMPARE(back.pointSize(), 11);
            }
            break;
        }
    }
};

QTEST_MAIN(TestFormat)
#include "tst_format.moc"

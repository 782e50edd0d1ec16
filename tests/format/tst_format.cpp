// Faces, sizes, style buttons, colour and the font dialog on the selection
// of the editing area, and the font dialog with its colour.

#include "common/ScriptedDialogHost.h"
#include "format/FontEffectsDialog.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"
#include "shell/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

// The format of the character at pos.
QTextCharFormat at(RichTextBox *r, int pos)
{
    QTextCursor c(r->document());
    c.setPosition(pos + 1);
    return c.charFormat();
}

QString faceAt(RichTextBox *r, int pos)
{
    const QTextCharFormat f = at(r, pos);
    const QStringList fam = f.fontFamilies().toStringList();
    return fam.isEmpty() ? f.font().family() : fam.first();
}

double sizeAt(RichTextBox *r, int pos)
{
    const double s = at(r, pos).fontPointSize();
    return s > 0 ? s : r->document()->defaultFont().pointSizeF();
}

void select(RichTextBox *r, int start, int length)
{
    r->SetSelStart(start);
    r->SetSelLength(length);
}

} // namespace

class TestFormat : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }

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
    void cleanup()
    {
        f.reset();
        host.reset();
    }

    void facesAndSizesKeepTheOtherAttribute()
    {
        // Two runs: Courier 20 and Verdana 40.
        rtb()->SetText(QStringLiteral("aaaabbbb"));
        select(rtb(), 0, 4);
        rtb()->SetSelFontName(QStringLiteral("Courier"));
        rtb()->SetSelFontSize(20);
        select(rtb(), 4, 4);
        rtb()->SetSelFontName(QStringLiteral("Verdana"));
        rtb()->SetSelFontSize(40);

        // Each face item writes its exact string; sizes stay per character.
        const QList<QPair<QAction *, QString>> faces = {
            {f->arial, "arial"},          {f->arialblack, "Arial Black"},
            {f->sans, "MS Sans Serif"},   {f->msserif, "MS Serif"},
            {f->small, "Small Fonts"},    {f->tahoma, "Tahoma"},
            {f->times, "Times New Roman"}, {f->verdana, "Verdana"},
            {f->wing, "wingdings"},
        };
        for (const auto &[item, name] : faces) {
            select(rtb(), 2, 4);
            item->trigger();
            QCOMPARE(faceAt(rtb(), 2), name);
            QCOMPARE(faceAt(rtb(), 5), name);
            QCOMPARE(faceAt(rtb(), 0), QStringLiteral("Courier"));
            QCOMPARE(faceAt(rtb(), 7), QStringLiteral("Verdana"));
            QCOMPARE(sizeAt(rtb(), 2), 20.0);
            QCOMPARE(sizeAt(rtb(), 5), 40.0);
            QVERIFY(!item->isCheckable() && !item->isChecked());
        }

        // Size items: one size, faces kept.
        select(rtb(), 0, 4);
        f->times->trigger();
        const QList<QPair<QAction *, double>> sizes = {
            {f->ten, 10}, {f->vei, 20}, {f->tre, 30}, {f->cua, 40}, {f->ses, 60}, {f->set, 70}};
        for (const auto &[item, points] : sizes) {
            select(rtb(), 2, 4);
            item->trigger();
            QCOMPARE(sizeAt(rtb(), 2), points);
            QCOMPARE(sizeAt(rtb(), 5), points);
            QCOMPARE(faceAt(rtb(), 2), QStringLiteral("Times New Roman"));
            QCOMPARE(faceAt(rtb(), 5), QStringLiteral("wingdings"));
            QCOMPARE(sizeAt(rtb(), 0), 20.0);
            QVERIFY(!item->isCheckable());
        }
        QCOMPARE(f->sizeMenu->actions().size(), 6);

        // Nothing selected: the size goes to the text typed next.
        rtb()->SetSelStart(8);
        f->cua->trigger();
        QTest::keyClicks(rtb(), QStringLiteral("xy"));
        QCOMPARE(rtb()->Text(), QStringLiteral("aaaabbbbxy"));
        QCOMPARE(sizeAt(rtb(), 8), 40.0);
        QCOMPARE(sizeAt(rtb(), 9), 40.0);
    }

    void styleButtonsToggleOnTheSelection()
    {
        rtb()->SetText(QStringLiteral("plain word"));

        // Underline on a plain word, then off again.
        select(rtb(), 6, 4);
        QTest::mouseClick(f->Command11, Qt::LeftButton);
        QVERIFY(at(rtb(), 6).fontUnderline() && at(rtb(), 9).fontUnderline());
        QTest::mouseClick(f->Command11, Qt::LeftButton);
        QVERIFY(!at(rtb(), 6).fontUnderline() && !at(rtb(), 9).fontUnderline());

        // Bold and Italic work the same way.
        QTest::mouseClick(f->Command13, Qt::LeftButton);
        QCOMPARE(at(rtb(), 6).fontWeight(), int(QFont::Bold));
        QTest::mouseClick(f->Command13, Qt::LeftButton);
        QVERIFY(at(rtb(), 6).fontWeight() < QFont::Bold);
        QTest::mouseClick(f->Command12, Qt::LeftButton);
        QVERIFY(at(rtb(), 9).fontItalic());
        QTest::mouseClick(f->Command12, Qt::LeftButton);
        QVERIFY(!at(rtb(), 9).fontItalic());

        // A partly styled selection becomes styled throughout.
        select(rtb(), 0, 2);
        rtb()->SetSelUnderline(true);
        rtb()->SetSelBold(true);
        rtb()->SetSelItalic(true);
        select(rtb(), 0, 5);
        f->Command11_Click();
        f->Command12_Click();
        f->Command13_Click();
        for (int i = 0; i < 5; ++i) {
            QVERIFY(at(rtb(), i).fontUnderline());
            QVERIFY(at(rtb(), i).fontItalic());
            QCOMPARE(at(rtb(), i).fontWeight(), int(QFont::Bold));
        }
        QVERIFY(!at(rtb(), 6).fontUnderline());

        // Nothing selected: the style goes to the text typed next.
        rtb()->SetSelStart(10);
        f->Command13_Click();
        QTest::keyClicks(rtb(), QStringLiteral("!"));
        QCOMPARE(at(rtb(), 10).fontWeight(), int(QFont::Bold));
        QVERIFY(at(rtb(), 10).fontItalic() == false);
    }

    void colourCancelLeavesSelection()
    {
        rtb()->SetText(QStringLiteral("red blue"));
        const quint32 red = 0x000000FF;
        QColor offered;
        host->colors.enqueue([&](QColor &c) { offered = c; c = QColor(Qt::red); return true; });
        select(rtb(), 0, 3);
        f->color_Click();
        QCOMPARE(rtb()->SelColor(), red);
        QCOMPARE(f->CommonDialog1.Color, red);

        // Cancel on other text: it keeps its colour; the dialog opened on red.
        select(rtb(), 4, 4);
        const quint32 before = rtb()->SelColor();
        host->colors.enqueue([&](QColor &c) { offered = c; return false; });
        QTest::mouseClick(f->Command17, Qt::LeftButton);
        QCOMPARE(offered, QColor(Qt::red));
        QCOMPARE(rtb()->SelColor(), before);
        QVERIFY(!at(rtb(), 5).hasProperty(QTextFormat::ForegroundBrush));

        // Also once a cancel is raised as a failure.
        f->CommonDialog1.CancelError = true;
        host->colors.enqueue([](QColor &) { return false; });
        f->color_Click();
        QVERIFY(!at(rtb(), 5).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(host->calls.size(), 3);
        QCOMPARE(f->CommonDialog1.Action, 3);
    }

    void fontDialogWritesAllSevenOrNone()
    {
        rtb()->SetText(QStringLiteral("abcdef"));
        select(rtb(), 0, 3);
        rtb()->SetSelFontName(QStringLiteral("Verdana"));
        rtb()->SetSelFontSize(30);
        rtb()->SetSelBold(true);
        rtb()->SetSelUnderline(true);
        rtb()->SetSelColor(0x0000FF00);
        select(rtb(), 2, 3);
        const QString rtfBefore = rtb()->document()->toHtml();

        // Cancel: nothing changes, and from now on cancels are failures.
        int flags = 0;
        host->fonts.enqueue([&](QFont &, QColor &, int fl) { flags = fl; return false; });
        f->more_Click();
        QCOMPARE(flags, 259);
        QVERIFY(f->CommonDialog1.CancelError);
        QCOMPARE(rtb()->document()->toHtml(), rtfBefore);

        // OK after changing only the size: every attribute is written.
        f->CommonDialog1.FontName = QStringLiteral("Courier");
        f->CommonDialog1.FontSize = 12;
        f->CommonDialog1.FontItalic = true;
        f->CommonDialog1.FontStrikethru = true;
        f->CommonDialog1.Color = 0x00FF0000;   // blue
        QFont offered;
        host->fonts.enqueue([&](QFont &font, QColor &, int) {
            offered = font;
            font.setPointSizeF(14);
            return true;
        });
        f->more_Click();
        QCOMPARE(offered.families().value(0), QStringLiteral("Courier"));
        QCOMPARE(offered.pointSizeF(), 12.0);
        for (int i = 2; i < 5; ++i) {
            const QTextCharFormat c = at(rtb(), i);
            QCOMPARE(faceAt(rtb(), i), QStringLiteral("Courier"));
            QCOMPARE(c.fontPointSize(), 14.0);
            QVERIFY(c.fontWeight() < QFont::Bold);
            QVERIFY(c.fontItalic());
            QVERIFY(!c.fontUnderline());
            QVERIFY(c.fontStrikeOut());
            QCOMPARE(c.foreground().color(), QColor(Qt::blue));
        }
        // Outside the selection nothing moved.
        QCOMPARE(faceAt(rtb(), 1), QStringLiteral("Verdana"));
        QCOMPARE(at(rtb(), 1).fontWeight(), int(QFont::Bold));
        QVERIFY(!at(rtb(), 5).fontStrikeOut());

        // The font dialog's colour is the one a later colour dialog opens on;
        // cancelling that one still leaves the selection alone.
        QColor opened;
        host->colors.enqueue([&](QColor &c) { opened = c; return false; });
        select(rtb(), 5, 1);
        f->Command17_Click();
        QCOMPARE(opened, QColor(Qt::blue));
        QVERIFY(!at(rtb(), 5).hasProperty(QTextFormat::ForegroundBrush));

        // One Ctrl+Z takes all seven back.
        select(rtb(), 2, 3);
        QTest::keyClick(rtb(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(faceAt(rtb(), 2), QStringLiteral("Verdana"));
        QCOMPARE(sizeAt(rtb(), 2), 30.0);
    }

    void formatsSurviveRtfSaveAndReopen()
    {
        rtb()->SetText(QStringLiteral("arial wing big bold ital under strike red"));
        auto apply = [&](int start, int len, void (Form1::*cmd)()) {
            select(rtb(), start, len);
            (f.get()->*cmd)();
        };
        apply(0, 5, &Form1::arial_Click);
        apply(6, 4, &Form1::wing_Click);
        apply(11, 3, &Form1::ses_Click);
        apply(15, 4, &Form1::Command13_Click);
        apply(20, 4, &Form1::Command12_Click);
        apply(25, 5, &Form1::Command11_Click);
        select(rtb(), 31, 6);
        rtb()->SetSelStrikeThru(true);
        host->colors.enqueue([](QColor &c) { c = QColor(255, 0, 0); return true; });
        apply(38, 3, &Form1::color_Click);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("formats.rtf"));
        QString error;
        QVERIFY2(rtb()->SaveFile(path, RichTextBox::rtfRTF, &error), qPrintable(error));
        f->clear_Click();
        QVERIFY2(rtb()->LoadFile(path, RichTextBox::rtfRTF, &error), qPrintable(error));

        QCOMPARE(rtb()->Text(), QStringLiteral("arial wing big bold ital under strike red"));
        QCOMPARE(faceAt(rtb(), 0), QStringLiteral("arial"));
        QCOMPARE(faceAt(rtb(), 6), QStringLiteral("wingdings"));
        QCOMPARE(sizeAt(rtb(), 11), 60.0);
        QCOMPARE(sizeAt(rtb(), 15), 8.5);
        QCOMPARE(at(rtb(), 15).fontWeight(), int(QFont::Bold));
        QVERIFY(at(rtb(), 14).fontWeight() < QFont::Bold);
        QVERIFY(at(rtb(), 20).fontItalic());
        QVERIFY(at(rtb(), 25).fontUnderline());
        QVERIFY(at(rtb(), 31).fontStrikeOut());
        QCOMPARE(at(rtb(), 38).foreground().color(), QColor(255, 0, 0));
        QVERIFY(!at(rtb(), 37).fontStrikeOut());
    }

    void fontDialogOffersEffectsAndColour()
    {
        QFont start(QStringLiteral("DejaVu Sans"), 12);
        start.setUnderline(true);
        FontEffectsDialog dlg(start, QColor(Qt::red), 259);
        QVERIFY(dlg.colourBox());
        QCOMPARE(dlg.colourBox()->currentText(), QStringLiteral("Red"));
        QCOMPARE(dlg.colourBox()->count(), 16);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Font"));
        // The picker is part of this window, without buttons of its own.
        QVERIFY(!dlg.picker()->isWindow());
        QVERIFY(dlg.picker()->testOption(QFontDialog::NoButtons));
        const QList<QCheckBox *> boxes = dlg.findChildren<QCheckBox *>();
        QCOMPARE(boxes.size(), 2);   // strike-through and underline

        dlg.colourBox()->setCurrentIndex(dlg.colourBox()->findText(QStringLiteral("Navy")));
        for (QCheckBox *b : boxes)
            if (!b->isChecked())
                b->click();
        QCOMPARE(dlg.selectedColor(), QColor(0, 0, 128));
        QVERIFY(dlg.selectedFont().underline());
        QVERIFY(dlg.selectedFont().strikeOut());
        QCOMPARE(dlg.selectedFont().pointSize(), 12);

        // OK without a touch returns the style it was given (Qt's picker
        // alone would pick the face's first style, e.g. condensed italic).
        for (const QString &family : QFontDatabase::families()) {
            if (QFontDatabase::styles(family).size() < 4)
                continue;
            for (const bool bold : {false, true}) {
                QFont given(family, 11);
                given.setBold(bold);
                FontEffectsDialog untouched(given, QColor(Qt::black), 259);
                const QFont back = untouched.selectedFont();
                QVERIFY2(!back.italic(), qPrintable(family));
                QCOMPARE(back.bold(), bold);
                QCOMPARE(back.pointSize(), 11);
            }
            break;
        }

        // A colour not among the sixteen is kept as offered.
        FontEffectsDialog custom(start, QColor(10, 20, 30), 259);
        QCOMPARE(custom.selectedColor(), QColor(10, 20, 30));

        // Without the effects flag: no colour, no effects.
        FontEffectsDialog plain(start, QColor(Qt::red), 3);
        QVERIFY(!plain.colourBox());
        plain.show();
        for (QCheckBox *b : plain.findChildren<QCheckBox *>())
            QVERIFY(!b->isVisible());
    }
};

QTEST_MAIN(TestFormat)
#include "tst_format.moc"

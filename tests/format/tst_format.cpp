// Faces, sizes, style buttons, colour and the font dialog on the selection,
// and what survives an RTF save and reopen.

#include "common/MainWindowFixture.h"
#include "format/FontEffectsDialog.h"
#include "rtf/Rtf.h"

#include <QComboBox>
#include <QFontDatabase>

class TestFormat : public QObject, MainWindowFixture
{
    Q_OBJECT
    QString face(int pos) const // the document's face, also where another family shows it
    {
        const QStringList kept = at(pos).property(rtf::kFontFace).toStringList();
        return kept.size() == 2 ? kept.first() : at(pos).fontFamilies().toStringList().value(0);
    }
    double size(int pos) const
    {
        const double s = at(pos).fontPointSize();
        return s > 0 ? s : rtb()->document()->defaultFont().pointSizeF();
    }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void facesAndSizesKeepTheOtherAttribute()
    {
        // Two runs, Courier 20 and Verdana 40; items act on a span across both.
        rtb()->SetText(QStringLiteral("aaaabbbb"));
        for (const auto &[start, name, points] : {std::tuple{0, "Courier", 20}, {4, "Verdana", 40}}) {
            select(start, 4);
            rtb()->SetSelFontName(QString::fromLatin1(name));
            rtb()->SetSelFontSize(points);
        }
        const QList<QPair<QAction *, QString>> faces = {
            {f->arial, "arial"}, {f->arialblack, "Arial Black"}, {f->sans, "MS Sans Serif"},
            {f->msserif, "MS Serif"}, {f->small, "Small Fonts"}, {f->tahoma, "Tahoma"},
            {f->times, "Times New Roman"}, {f->verdana, "Verdana"}, {f->wing, "wingdings"}};
        for (const auto &[item, name] : faces) {
            select(2, 4);
            item->trigger();
            QVERIFY(face(2) == name);
            QVERIFY(face(5) == name);
            QVERIFY(face(0) == "Courier");
            QVERIFY(size(2) == 20);
            QVERIFY(size(5) == 40);
        }
        const QList<QPair<QAction *, double>> sizes = {
            {f->ten, 10}, {f->vei, 20}, {f->tre, 30}, {f->cua, 40}, {f->ses, 60}, {f->set, 70}};
        for (const auto &[item, points] : sizes) {
            select(0, 6);
            item->trigger();
            QVERIFY(size(0) == points && size(5) == points && size(6) == 40 && face(0) == "Courier"
                    && face(5) == "wingdings");
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
        const QList<QPair<QPushButton *, std::function<bool(const QTextCharFormat &)>>> buttons = {
            {f->Command11, [](const QTextCharFormat &c) { return c.fontUnderline(); }},
            {f->Command12, [](const QTextCharFormat &c) { return c.fontItalic(); }},
            {f->Command13, [](const QTextCharFormat &c) { return c.fontWeight() >= QFont::Bold; }}};
        for (const auto &[button, styled] : buttons) {
            // A selection styled only at its ends becomes styled
            // throughout; pressed again, plain throughout.
            for (int end : {5, 9}) {
                select(end, 1);
                QTest::mouseClick(button, Qt::LeftButton);
            }
            select(5, 5);
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!styled(at(4)));
            QVERIFY(styled(at(5)));
            QVERIFY(styled(at(6)));
            QVERIFY(styled(at(9)));
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!styled(at(5)));
            QVERIFY(!styled(at(6)));
            QVERIFY(!styled(at(9)));
        }
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
        f->more_Click();
        QCOMPARE(host->calls.last().flags, 259);
        QVERIFY(f->CommonDialog1.CancelError);
        QCOMPARE(rtb()->document()->toHtml(), before);

        // Accepted: the dialog opens on the values of last time (the colour
        // is the colour dialog's), and all seven it returns are applied.
        f->CommonDialog1.FontName = QStringLiteral("Courier");
        f->CommonDialog1.FontBold = f->CommonDialog1.FontUnderline = true;
        QFont given;
        host->fonts.enqueue([&](QFont &font, QColor &c, int) {
            given = font;
            offered = c;
            font = QFont(QStringLiteral("Tahoma"), 14);
            font.setItalic(true);
            font.setStrikeOut(true);
            c = Qt::blue;
            return true;
        });
        select(1, 4);
        f->more_Click();
        QVERIFY(given.families().value(0) == "Courier" && given.bold() && given.underline() && !given.italic()
                && !given.strikeOut());
        QCOMPARE(offered, QColor(Qt::red));
        const QTextCharFormat c = at(3);
        QCOMPARE(face(3), QStringLiteral("Tahoma"));
        QVERIFY(c.fontPointSize() == 14 && c.fontWeight() < QFont::Bold && c.fontItalic() && !c.fontUnderline()
                && c.fontStrikeOut());
        QCOMPARE(c.foreground().color(), QColor(Qt::blue));
        QVERIFY(at(0).fontWeight() == QFont::Bold);
        QVERIFY(at(0).fontUnderline());
        // That colour is the one a later colour dialog opens on.
        host->colors.enqueue([&](QColor &c) { offered = c; return false; });
        f->color_Click();
        QCOMPARE(offered, QColor(Qt::blue));
    }

    void formatsSurviveRtfSaveAndReopen()
    {
        rtb()->SetText(QStringLiteral("arial wing big bold ital under red"));
        host->colors.enqueue([](QColor &c) { c = QColor(255, 0, 0); return true; });
        const QList<QPair<int, void (Form1::*)()>> steps = {
            {0, &Form1::arial_Click}, {6, &Form1::wing_Click}, {11, &Form1::ses_Click},
            {15, &Form1::Command13_Click}, {20, &Form1::Command12_Click},
            {25, &Form1::Command11_Click}, {31, &Form1::color_Click}};
        for (const auto &[start, cmd] : steps) {
            select(start, 3);
            (f.get()->*cmd)();
        }
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("formats.rtf"));
        QVERIFY(rtb()->SaveFile(path, RichTextBox::rtfRTF));
        f->clear_Click();
        QVERIFY(rtb()->LoadFile(path, RichTextBox::rtfRTF));
        QCOMPARE(rtb()->Text(), QStringLiteral("arial wing big bold ital under red"));
        // Faces this machine lacks keep their names.
        QVERIFY(face(0) == "arial" && face(6) == "wingdings" && size(11) == 60 && at(15).fontWeight() == QFont::Bold
                && at(14).fontWeight() < QFont::Bold && at(20).fontItalic() && at(25).fontUnderline()
                && at(31).foreground().color() == QColor(255, 0, 0));
    }

    void fontDialogOffersEffectsAndColour()
    {
        FontEffectsDialog dlg(QFont(QStringLiteral("DejaVu Sans"), 12), Qt::red, 259);
        QCOMPARE(dlg.colourBox()->currentText(), QStringLiteral("Red"));
        dlg.colourBox()->setCurrentIndex(dlg.colourBox()->findText(QStringLiteral("Navy")));
        QCOMPARE(dlg.selectedColor(), QColor(0, 0, 128));
        // A colour not among the sixteen is kept as offered.
        QCOMPARE(FontEffectsDialog(QFont(), QColor(10, 20, 30), 259).selectedColor(), QColor(10, 20, 30));

        // OK untouched returns the style given (Qt's picker alone takes the
        // face's first style, e.g. condensed italic).
        const QStringList families = QFontDatabase::families();
        const auto rich = std::find_if(families.begin(), families.end(),
                                       [](const QString &fam) { return QFontDatabase::styles(fam).size() >= 4; });
        if (rich == families.end())
            QSKIP("no face with four styles on this machine");
        for (const bool bold : {false, true}) {
            QFont given(*rich, 11);
            given.setBold(bold);
            const QFont back = FontEffectsDialog(given, Qt::black, 259).selectedFont();
            QVERIFY2(!back.italic() && back.bold() == bold && back.pointSize() == 11, qPrintable(*rich));
        }
    }
};

QTEST_MAIN(TestFormat)
#include "tst_format.moc"

// The shared common dialog: filters as Qt name filters, and values that
// carry from one command to the next.

#include "common/ScriptedDialogHost.h"
#include "shell/CommonDialog.h"

#include <QTest>

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void filtersBecomeNameFilters();
    void valuesCarryBetweenCommands();
};

void TestCommonDialog::filtersBecomeNameFilters()
{
    QCOMPARE(CommonDialog::nameFilters(QStringLiteral("RTF Files|*.rtf|ALL Files|*.*")),
             (QStringList{QStringLiteral("RTF Files (*.rtf)"), QStringLiteral("ALL Files (*)")}));
    QCOMPARE(CommonDialog::nameFilters(QStringLiteral("Docs|*.rtf;*.txt")),
             QStringList{QStringLiteral("Docs (*.rtf *.txt)")});
    QCOMPARE(CommonDialog::nameFilters(QString()), QStringList());
}

void TestCommonDialog::valuesCarryBetweenCommands()
{
    ScriptedDialogHost host;
    CommonDialog cd(nullptr, &host);
    QVERIFY(cd.Filter.isEmpty() && cd.FileName.isEmpty());

    cd.Filter = QStringLiteral("RTF Files|*.rtf|ALL Files|*.*");
    host.answerFile(QStringLiteral("/tmp/a.txt"), 2);
    QCOMPARE(cd.ShowOpen(), CommonDialog::Accepted);
    QCOMPARE(cd.FileName, QStringLiteral("/tmp/a.txt"));
    QCOMPARE(cd.FilterIndex, 2);
    QCOMPARE(host.calls.last().filters.size(), 2);

    // A colour chosen once is offered again next time.
    host.colors.enqueue([](QColor &c) { c = QColor(10, 20, 30); return true; });
    QCOMPARE(cd.SetAction(3), CommonDialog::Accepted);
    QCOMPARE(cd.Color, quint32(0x001E140A));
    QColor offered;
    host.colors.enqueue([&](QColor &c) { offered = c; return false; });
    QCOMPARE(cd.SetAction(3), CommonDialog::Cancelled);
    QCOMPARE(offered, QColor(10, 20, 30));
    QCOMPARE(cd.Color, quint32(0x001E140A));

    // The font dialog gets the last values and the flags; OK writes them all.
    cd.Flags = 259;
    int seenFlags = 0;
    host.fonts.enqueue([&](QFont &f, QColor &c, int flags) {
        seenFlags = flags;
        f.setFamilies({QStringLiteral("Tahoma")});
        f.setPointSizeF(14);
        f.setBold(true);
        f.setStrikeOut(true);
        c = QColor(0, 0, 255);
        return true;
    });
    QCOMPARE(cd.ShowFont(), CommonDialog::Accepted);
    QCOMPARE(seenFlags, 259);
    QCOMPARE(cd.FontName, QStringLiteral("Tahoma"));
    QCOMPARE(cd.FontSize, 14.0f);
    QVERIFY(cd.FontBold && cd.FontStrikethru && !cd.FontItalic && !cd.FontUnderline);
    QCOMPARE(cd.Color, quint32(0x00FF0000));

    // Everything written stays for the next command.
    QCOMPARE(cd.Flags, 259);
    QCOMPARE(cd.FileName, QStringLiteral("/tmp/a.txt"));
    QCOMPARE(cd.Filter, QStringLiteral("RTF Files|*.rtf|ALL Files|*.*"));
}

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"

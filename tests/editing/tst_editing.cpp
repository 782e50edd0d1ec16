// Clipboard, Clear All, Select All and Time/ Date, by real key presses into
// the focused editing area.

#include "common/ScriptedDialogHost.h"
#include "editing/ClipboardPort.h"
#include "editing/TimeDate.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

// A clipboard that another program holds: nothing goes in or comes out.
struct LockedClipboard : ClipboardPort {
    bool empty() override { return false; }
    bool putText(const QString &) override { return false; }
    std::optional<QString> getText() override { return std::nullopt; }
};

QClipboard *cb() { return QGuiApplication::clipboard(); }

QTextCharFormat formatAt(RichTextBox *r, int pos)
{
    QTextCursor c(r->document());
    c.setPosition(pos + 1);
    return c.charFormat();
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }
    void key(Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(rtb(), k, m); }
    void select(int start, int length) { rtb()->SetSelStart(start); rtb()->SetSelLength(length); }

private slots:
    void init()
    {
        host = std::make_unique<ScriptedDialogHost>();
        f = std::make_unique<Form1>(host.get());
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
        cb()->clear();
    }
    void cleanup() { f.reset(); QLocale::setDefault(QLocale::system()); }

    void cutCopyPasteByKeys()
    {
        rtb()->SetText(QStringLiteral("Hello brave world"));
        select(6, 5);
        key(Qt::Key_Y, Qt::ControlModifier);               // Copy
        QCOMPARE(cb()->text(), QStringLiteral("brave"));
        QCOMPARE(rtb()->SelText(), QStringLiteral("brave"));
        select(0, 6);
        key(Qt::Key_C, Qt::ControlModifier);               // Cut
        QCOMPARE(cb()->text(), QStringLiteral("Hello "));
        QCOMPARE(rtb()->Text(), QStringLiteral("brave world"));

        // Paste twice at the insertion point; the clipboard stays.
        rtb()->SetSelStart(5);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QTest::mouseClick(f->Command10, Qt::LeftButton);
        QCOMPARE(rtb()->Text(), QStringLiteral("braveHello Hello  world"));
        QCOMPARE(rtb()->SelStart(), 17);

        // Nothing selected: Cut and Copy leave the clipboard empty.
        key(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(!cb()->mimeData() || !cb()->mimeData()->hasText());
        cb()->setText(QStringLiteral("old"));
        QTest::mouseClick(f->Command9, Qt::LeftButton);
        QCOMPARE(cb()->text(), QString());
        QCOMPARE(rtb()->Text(), QStringLiteral("braveHello Hello  world"));

        // Paragraphs go out with the platform's line ends and come back.
        rtb()->SetText(QStringLiteral("one\r\ntwo"));
        select(0, 7);
        QTest::mouseClick(f->Command8, Qt::LeftButton);
        QCOMPARE(cb()->text(), QStringLiteral("one\ntwo"));
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("one\r\ntwo"));
    }

    void pasteTakesPlainTextOnly()
    {
        // Italic insertion point; another program offers a bold red word.
        rtb()->SetText(QStringLiteral("ab"));
        select(0, 2);
        rtb()->SetSelItalic(true);
        rtb()->SetSelStart(2);
        auto *rich = new QMimeData;
        rich->setHtml(QStringLiteral("<b style=\"color:#ff0000\">RED</b>"));
        rich->setText(QStringLiteral("RED"));
        cb()->setMimeData(rich);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("abRED"));
        const QTextCharFormat pasted = formatAt(rtb(), 3);
        QVERIFY(pasted.fontItalic() && pasted.fontWeight() < QFont::Bold);
        QVERIFY(!pasted.hasProperty(QTextFormat::ForegroundBrush));

        // No text on the clipboard: a selection goes, an insertion point stays.
        auto *picture = new QMimeData;
        picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
        cb()->setMimeData(picture);
        rtb()->SetSelStart(1);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        select(2, 3);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("ab"));
    }

    void lockedClipboardLosesNothing()
    {
        f->clipboard_ = std::make_shared<LockedClipboard>();
        rtb()->SetText(QStringLiteral("keep this"));
        select(5, 4);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(rtb()->SelText(), QStringLiteral("this"));
        QVERIFY(f->Status().startsWith(QStringLiteral("[ERROR]")));
        f->SetStatus(QString());
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("keep this"));
        QVERIFY(f->Status().startsWith(QStringLiteral("[ERROR]")));
    }

    void clearAllAndSelectAll()
    {
        rtb()->SetText(QStringLiteral("first line\r\nsecond line"));
        // Select All takes the whole document wherever the selection started.
        select(5, 2);
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelText(), QStringLiteral("first line\r\nsecond line"));

        rtb()->SetSelBold(true);
        f->SetTitleFile(QStringLiteral("/home/u/letter.rtf"));
        const QString title = f->windowTitle();
        key(Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QString());
        QCOMPARE(f->windowTitle(), title);
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(rtb()->SelLength(), 0);
        // Ctrl+Z brings the text back with its formatting.
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("first line\r\nsecond line"));
        QCOMPARE(formatAt(rtb(), 0).fontWeight(), int(QFont::Bold));
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
        QStringList reads;
        f->dateNow_ = [&] { reads << "date"; return QDate(2026, 12, 6); };
        f->timeNow_ = [&] { reads << "time"; return QTime(3, 47, 29); };
        rtb()->SetText(QStringLiteral("Dated: WORD."));
        select(7, 4);
        key(Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(rtb()->Text().replace(QChar(0x202F), u' '), QStringLiteral("Dated: %1.").arg(expected));
        QCOMPARE(rtb()->SelStart(), 7 + int(expected.size()));
        QCOMPARE(rtb()->SelLength(), 0);
        // The date is read first, which matters when midnight falls between.
        QCOMPARE(reads, QStringList({"date", "time"}));
        key(Qt::Key_Z, Qt::ControlModifier);   // one step takes it all back
        QCOMPARE(rtb()->Text(), QStringLiteral("Dated: WORD."));
    }

    void everyLocaleGivesFourDigitYearAndNoZone()
    {
        const QList<QLocale> all = QLocale::matchingLocales(
            QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        QVERIFY(all.size() > 100);
        static const QRegularExpression quoted(QStringLiteral("'[^']*'"));
        for (const QLocale &l : all) {
            const QString d = timedate::dateText(QDate(2026, 12, 6), l);
            QVERIFY2(d.contains(l.toString(2026).remove(l.groupSeparator())),
                     qPrintable(l.name() + ": " + d));
            const QString fmt = timedate::longTimeFormat(l);
            QVERIFY2(!QString(fmt).remove(quoted).contains(u't'), qPrintable(l.name() + ": " + fmt));
            const QString t = timedate::timeText(QTime(15, 4, 5), l);
            QVERIFY2(!t.isEmpty() && t == t.trimmed(), qPrintable(l.name() + ": " + t));
        }
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"

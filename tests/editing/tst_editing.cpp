// Clipboard, Clear All, Select All and Time/ Date, driven by real key
// presses into the focused editing area where the command has a shortcut.

#include "common/ScriptedDialogHost.h"
#include "editing/ClipboardPort.h"
#include "editing/TimeDate.h"
#include "shell/Form1.h"
#include "shell/RichTextBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

// A clipboard that another program holds: nothing goes in or comes out.
class LockedClipboard : public ClipboardPort
{
public:
    bool empty() override { return false; }
    bool putText(const QString &) override { return false; }
    std::optional<QString> getText() override { return std::nullopt; }
};

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

void select(RichTextBox *r, int start, int length)
{
    r->SetSelStart(start);
    r->SetSelLength(length);
}

QTextCharFormat formatAt(RichTextBox *r, int pos)
{
    // The format of the character at pos (a cursor reports the one before).
    QTextCursor c(r->document());
    c.setPosition(pos + 1);
    return c.charFormat();
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

private:
    // Each test gets a shown, active main window with the editing area focused.
    std::unique_ptr<ScriptedDialogHost> host;
    std::unique_ptr<Form1> f;
    RichTextBox *rtb() const { return f->RichTextBox1; }
    void key(Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(rtb(), k, m); }

private slots:
    void init()
    {
        host = std::make_unique<ScriptedDialogHost>();
        f = std::make_unique<Form1>(host.get());
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        rtb()->setFocus();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup()
    {
        f.reset();
        host.reset();
        QLocale::setDefault(QLocale::system());
    }

    void cutAndCopyByKeys()
    {
        rtb()->SetText(QStringLiteral("Hello brave world"));

        // Ctrl+Y copies: the clipboard holds the selection, the document stays.
        select(rtb(), 6, 5);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QStringLiteral("brave"));
        QCOMPARE(rtb()->Text(), QStringLiteral("Hello brave world"));
        QCOMPARE(rtb()->SelText(), QStringLiteral("brave"));

        // Ctrl+C cuts.
        select(rtb(), 0, 6);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QStringLiteral("Hello "));
        QCOMPARE(rtb()->Text(), QStringLiteral("brave world"));
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelLength(), 0);

        // With nothing selected both leave the clipboard empty and the
        // document as it was.
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QString());
        const QMimeData *left = QGuiApplication::clipboard()->mimeData();
        QVERIFY(!left || !left->hasText());
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QString());
        QCOMPARE(rtb()->Text(), QStringLiteral("brave world"));

        // Paragraphs reach the clipboard with the platform's line ends.
        rtb()->SetText(QStringLiteral("one\r\ntwo"));
        select(rtb(), 0, 7);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QStringLiteral("one\ntwo"));

        // The toolbar buttons do the same.
        rtb()->SetText(QStringLiteral("abc def"));
        select(rtb(), 4, 3);
        QTest::mouseClick(f->Command9, Qt::LeftButton);
        QCOMPARE(clipboardText(), QStringLiteral("def"));
        QCOMPARE(rtb()->Text(), QStringLiteral("abc def"));
        QTest::mouseClick(f->Command8, Qt::LeftButton);
        QCOMPARE(clipboardText(), QStringLiteral("def"));
        QCOMPARE(rtb()->Text(), QStringLiteral("abc "));
    }

    void pasteByKeys()
    {
        rtb()->SetText(QStringLiteral("ab"));
        QGuiApplication::clipboard()->setText(QStringLiteral("XY"));

        // Shift+Insert inserts at the insertion point, twice in a row, and
        // leaves the clipboard alone.
        rtb()->SetSelStart(1);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("aXYXYb"));
        QCOMPARE(rtb()->SelStart(), 5);
        QCOMPARE(clipboardText(), QStringLiteral("XY"));

        // It replaces a selection; lines become paragraphs.
        QGuiApplication::clipboard()->setText(QStringLiteral("1\n2"));
        select(rtb(), 0, 6);
        QTest::mouseClick(f->Command10, Qt::LeftButton);
        QCOMPARE(rtb()->Text(), QStringLiteral("1\r\n2"));
        QCOMPARE(rtb()->document()->blockCount(), 2);
    }

    void pasteTakesPlainTextOnly()
    {
        // The insertion point is italic; another program offers rich and
        // plain forms of a bold red word.
        rtb()->SetText(QStringLiteral("ab"));
        select(rtb(), 0, 2);
        rtb()->SetSelItalic(true);
        rtb()->SetSelStart(2);
        auto *data = new QMimeData;
        data->setHtml(QStringLiteral("<b><span style=\"color:#ff0000\">RED</span></b>"));
        data->setText(QStringLiteral("RED"));
        QGuiApplication::clipboard()->setMimeData(data);

        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("abRED"));
        for (int i = 2; i < 5; ++i) {
            const QTextCharFormat fmt = formatAt(rtb(), i);
            QVERIFY(fmt.fontItalic());
            QVERIFY(fmt.fontWeight() < QFont::Bold);
            QVERIFY(!fmt.hasProperty(QTextFormat::ForegroundBrush)
                    || fmt.foreground().color() != QColor(Qt::red));
        }

        // A clipboard without text: a selection is deleted, an insertion
        // point changes nothing.
        auto *picture = new QMimeData;
        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(Qt::blue);
        picture->setImageData(img);
        QGuiApplication::clipboard()->setMimeData(picture);
        rtb()->SetSelStart(1);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("abRED"));
        select(rtb(), 2, 3);
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("ab"));
        QGuiApplication::clipboard()->clear();
        select(rtb(), 0, 1);
        f->paste_Click();
        QCOMPARE(rtb()->Text(), QStringLiteral("b"));
    }

    void lockedClipboardLosesNothing()
    {
        f->clipboard_ = std::make_shared<LockedClipboard>();
        rtb()->SetText(QStringLiteral("keep this"));
        select(rtb(), 5, 4);

        // Cut keeps the selection when its text could not be stored.
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("keep this"));
        QCOMPARE(rtb()->SelText(), QStringLiteral("this"));
        QVERIFY(f->Status().startsWith(QStringLiteral("[ERROR]")));

        // Paste from an unreadable clipboard keeps the selection too.
        f->SetStatus(QString());
        key(Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("keep this"));
        QVERIFY(f->Status().startsWith(QStringLiteral("[ERROR]")));
        f->copy_Click();
        QCOMPARE(rtb()->SelText(), QStringLiteral("this"));
    }

    void clearAllKeepsTitleAndUndoes()
    {
        rtb()->SetText(QStringLiteral("formatted text"));
        select(rtb(), 0, 9);
        rtb()->SetSelBold(true);
        f->SetTitleFile(QStringLiteral("/home/u/letter.rtf"));
        const QString title = f->windowTitle();

        key(Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(rtb()->Text(), QString());
        QCOMPARE(rtb()->document()->characterCount(), 1);
        QCOMPARE(f->windowTitle(), title);

        // Ctrl+Z brings the text back with its formatting.
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("formatted text"));
        QCOMPARE(formatAt(rtb(), 0).fontWeight(), int(QFont::Bold));

        // On an empty document it stays empty.
        f->clear_Click();
        f->clear_Click();
        QCOMPARE(rtb()->Text(), QString());
    }

    void selectAllTakesWholeDocument()
    {
        rtb()->SetText(QStringLiteral("first line\r\nsecond line"));
        const int all = rtb()->document()->characterCount() - 1;

        rtb()->SetSelStart(7);
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelLength(), all);

        select(rtb(), 5, 2);
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(rtb()->SelStart(), 0);
        QCOMPARE(rtb()->SelLength(), all);
        QCOMPARE(rtb()->SelText(), QStringLiteral("first line\r\nsecond line"));

        f->clear_Click();
        key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(rtb()->SelLength(), 0);
    }

    void timeDateUnderTwoLocales_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("United States") << "en_US" << "12/6/2026 3:47:29 AM";
        QTest::newRow("Germany") << "de_DE" << "06.12.2026 03:47:29";
    }

    void timeDateUnderTwoLocales()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        QStringList reads;
        f->dateNow_ = [&] { reads << QStringLiteral("date"); return QDate(2026, 12, 6); };
        f->timeNow_ = [&] { reads << QStringLiteral("time"); return QTime(3, 47, 29); };

        rtb()->SetText(QStringLiteral("Dated: WORD."));
        select(rtb(), 7, 4);
        key(Qt::Key_T, Qt::ControlModifier);

        // Some locales put a narrow blank before AM; compare blanks as blanks.
        QString text = rtb()->Text();
        text.replace(QChar(0x202F), QLatin1Char(' '));
        QCOMPARE(text, QStringLiteral("Dated: %1.").arg(expected));
        QCOMPARE(rtb()->SelLength(), 0);
        QCOMPARE(rtb()->SelStart(), 7 + int(expected.size()));
        QCOMPARE(reads, (QStringList{QStringLiteral("date"), QStringLiteral("time")}));

        // One Ctrl+Z takes the whole stamp back.
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rtb()->Text(), QStringLiteral("Dated: WORD."));
    }

    void timeDateAcrossMidnightAndRealClock()
    {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        // The date is read first: a clock turning midnight in between gives
        // the old day with the new time.
        int tick = 0;
        f->dateNow_ = [&] { return tick++ == 0 ? QDate(2026, 12, 6) : QDate(2026, 12, 7); };
        f->timeNow_ = [&] { return tick++ == 0 ? QTime(23, 59, 59) : QTime(0, 0, 0); };
        f->timedate_Click();
        QString text = rtb()->Text();
        text.replace(QChar(0x202F), QLatin1Char(' '));
        QCOMPARE(text, QStringLiteral("12/6/2026 12:00:00 AM"));

        // The real clock, no zone.
        f->dateNow_ = nullptr;
        f->timeNow_ = nullptr;
        f->clear_Click();
        f->timedate_Click();
        static const QRegularExpression stamp(
            QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4} \\d{1,2}:\\d\\d:\\d\\d[ \\x{202F}][AP]M$"));
        QVERIFY2(stamp.match(rtb()->Text()).hasMatch(), qPrintable(rtb()->Text()));
    }

    void everyLocaleGivesFourDigitYearAndNoZone()
    {
        const QDate date(2026, 12, 6);
        const QTime time(15, 4, 5);
        const QList<QLocale> all = QLocale::matchingLocales(
            QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        int checked = 0;
        for (const QLocale &l : all) {
            const QString year = l.toString(2026).remove(l.groupSeparator());
            const QString d = timedate::dateText(date, l);
            QVERIFY2(d.contains(year), qPrintable(l.name() + QStringLiteral(": ") + d));
            const QString fmt = timedate::longTimeFormat(l);
            QVERIFY2(!fmt.isEmpty(), qPrintable(l.name()));
            // No zone left outside quoted literals, and no blanks at the ends.
            QString unquoted = fmt;
            unquoted.remove(QRegularExpression(QStringLiteral("'[^']*'")));
            QVERIFY2(!unquoted.contains(QLatin1Char('t')), qPrintable(l.name() + ": " + fmt));
            const QString t = timedate::timeText(time, l);
            QVERIFY2(t == t.trimmed(), qPrintable(l.name() + ": " + t));
            ++checked;
        }
        QVERIFY(checked > 100);
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"

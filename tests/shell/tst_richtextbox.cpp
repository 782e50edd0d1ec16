// The editing control's own behaviour: plain-text files in the encodings
// Windows and Linux tools write, loads that fail and leave the document alone
// (saves that fail are in tests/files), and undoing a whole-document
// replacement. Selection, formatting and paste are tested through the
// commands that use them.

#include "shell/RichTextBox.h"
#include "text/DocumentFile.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <sys/stat.h>
#include <unistd.h>

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void plainTextEncodings_data();
    void plainTextEncodings();
    void plainTextSaveIsUtf8WithCrLf();
    void failedLoadLeavesDocument();
    void replacementCanBeUndone();
};

namespace {

// The message of a failure; "<ok>" when it did not fail.
QString failure(const Result<> &r)
{
    return r ? QStringLiteral("<ok>") : r.error();
}

QString write(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

} // namespace

void TestRichTextBox::plainTextEncodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QString text = QStringLiteral("Caf\u00e9 \u20ac5\r\nsecond line");
    QTest::newRow("utf-8") << text.toUtf8() << text;
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << text;
    QByteArray le("\xFF\xFE");
    for (QChar c : text) { le.append(char(c.unicode() & 0xFF)); le.append(char(c.unicode() >> 8)); }
    QTest::newRow("utf-16le bom") << le << text;
    QByteArray be("\xFE\xFF");
    for (QChar c : text) { be.append(char(c.unicode() >> 8)); be.append(char(c.unicode() & 0xFF)); }
    QTest::newRow("utf-16be bom") << be << text;
    QTest::newRow("windows-1252") << QByteArray("Caf\xE9 \x80" "5\r\nsecond line") << text;
    QTest::newRow("lone cr and lf") << QByteArray("Caf\xC3\xA9 \xE2\x82\xAC" "5\rsecond line") << text;
    // A broken last byte still shows, as U+FFFD.
    QTest::newRow("utf-16le odd length") << QByteArray("\xFF\xFE\x5A") << QStringLiteral("\uFFFD");
    QTest::newRow("utf-16be odd length") << be + 'Z' << text + QStringLiteral("\uFFFD");
}

void TestRichTextBox::plainTextEncodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = write(dir, "in.txt", bytes);
    RichTextBox box;
    const Result<> loaded = box.LoadFile(path, RichTextBox::rtfText);
    QVERIFY2(loaded, qPrintable(loaded.error()));
    QCOMPARE(box.Text(), expected);
}

void TestRichTextBox::plainTextSaveIsUtf8WithCrLf()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.SetText(QStringLiteral("\u00c5ngstr\u00f6m\nline two\n\nend"));
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(box.SaveFile(path, RichTextBox::rtfText));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QStringLiteral("\u00c5ngstr\u00f6m\r\nline two\r\n\r\nend").toUtf8());

    // And back again: same text.
    RichTextBox other;
    QVERIFY(other.LoadFile(path, RichTextBox::rtfText));
    QCOMPARE(other.Text(), box.Text());
}

void TestRichTextBox::failedLoadLeavesDocument()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.SetText(QStringLiteral("keep me"));
    QCOMPARE(failure(box.LoadFile(dir.filePath(QStringLiteral("missing.txt")), RichTextBox::rtfText)),
             QStringLiteral("file not found"));
    QCOMPARE(failure(box.LoadFile(QString(), RichTextBox::rtfText)), QStringLiteral("no file name given"));
    QCOMPARE(failure(box.LoadFile(dir.path(), RichTextBox::rtfText)), QStringLiteral("it is a folder"));
    const QString plain = write(dir, "plain.rtf", "just text");
    QCOMPARE(failure(box.LoadFile(plain, RichTextBox::rtfRTF)), QStringLiteral("not a Rich Text Format file"));
    if (::geteuid() != 0) {   // root reads anything
        const QString locked = write(dir, "locked.txt", "secret");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        QCOMPARE(failure(box.LoadFile(locked, RichTextBox::rtfText)), QStringLiteral("access denied"));
    }
    // What is not a regular file is refused before anything is read from
    // it, under both file types: a pipe with no writer would block, and
    // /dev/zero never ends. A file past the size cap is not read at all.
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    {
        QFile f(huge);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(docfile::kMaxDocumentBytes + 1)); // sparse
    }
    const struct { QString path; const char *reason; } refused[] = {
        {fifo, "it is a pipe, not a file"},
        {QStringLiteral("/dev/zero"), "it is a device, not a file"},
        {huge, "file too large (over 512 MB)"},
    };
    for (const auto &r : refused)
        for (int type : {RichTextBox::rtfRTF, RichTextBox::rtfText})
            QCOMPARE(failure(box.LoadFile(r.path, type)), QLatin1String(r.reason));

    QCOMPARE(box.Text(), QStringLiteral("keep me"));
    QVERIFY(!box.CanUndoReplace() || box.Text() == QStringLiteral("keep me"));
}

void TestRichTextBox::replacementCanBeUndone()
{
    RichTextBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("draft"));
    box.SetText(QStringLiteral("replaced"));
    QCOMPARE(box.Text(), QStringLiteral("replaced"));
    QTest::keyClicks(&box, QStringLiteral("!"));
    QCOMPARE(box.Text(), QStringLiteral("!replaced"));   // the insertion point starts at the top
    // First the new document's own edits, then the replaced document returns.
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("replaced"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("draft"));
    // The restored document keeps its own history and takes typing again.
    QVERIFY(box.document()->isUndoAvailable());
    QTest::keyClicks(&box, QStringLiteral("s"));
    QCOMPARE(box.Text(), QStringLiteral("drafts"));
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"

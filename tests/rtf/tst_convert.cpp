// quillet-convert as users run it: a separate process with files, standard
// input and output, exit status and error line.

#include "rtf/Rtf.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

const QString kProgram = QStringLiteral(QUILLET_BINARY_DIR "/src/convert/quillet-convert");

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

Result run(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(kProgram, args);
    if (!p.waitForStarted(10000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    Result r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool readerAvailable()
{
    QTextDocument doc;
    return rtf::read("{\\rtf1 abc}", &doc) && doc.toPlainText() == QLatin1String("abc");
}

// A failure is reported on exactly one line of standard error.
bool oneLine(const QByteArray &err)
{
    return err.endsWith('\n') && err.count('\n') == 1 && err.size() > 1;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void textToRtf();
    void rtfToTextAndHtml();
    void standardStreams();
    void failures();

private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
};

void TestConvert::initTestCase()
{
    QVERIFY2(QFile::exists(kProgram), qPrintable(kProgram));
    QVERIFY(m_dir.isValid());
    const Result help = run({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: quillet-convert"));
    QVERIFY(help.out.contains("LF"));
}

void TestConvert::textToRtf()
{
    // UTF-8, UTF-8 with a byte-order mark and Windows-1252 give the same
    const QByteArray utf8 = "caf\xc3\xa9 {1}\r\nsecond\\line\r\n";
    const QByteArray bom = "\xef\xbb\xbf" + utf8;
    const QByteArray ansi = "caf\xe9 {1}\r\nsecond\\line\r\n";
    QByteArray first;
    for (const QByteArray &input : {utf8, bom, ansi}) {
        QVERIFY(writeFile(path("in.txt"), input));
        const Result r = run({path("in.txt"), path("out.rtf")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        const QByteArray rtfOut = readFile(path("out.rtf"));
        QVERIFY(rtf::isRtf(rtfOut));
        QVERIFY2(rtfOut.contains("caf\\u233\\'e9 \\{1\\}\\par"), rtfOut);
        QVERIFY(rtfOut.contains("second\\\\line"));
        QVERIFY(!rtfOut.contains("\xef\xbb\xbf"));
        if (first.isEmpty())
            first = rtfOut;
        QCOMPARE(rtfOut, first);
    }

    // --to wins over the name; the name's case does not matter
    QVERIFY(writeFile(path("in.txt"), "plain"));
    Result r = run({"--to", "rtf", path("in.txt"), path("out.data")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(rtf::isRtf(readFile(path("out.data"))));
    r = run({path("in.txt"), path("OUT.RTF")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(rtf::isRtf(readFile(path("OUT.RTF"))));

    // text to text keeps the text and ends every line with LF (or CR LF)
    QVERIFY(writeFile(path("in.txt"), "one\r\ntwo\rthree\nfour"));
    r = run({path("in.txt"), path("out.txt")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(readFile(path("out.txt")), QByteArray("one\ntwo\nthree\nfour\n"));
    r = run({"--crlf", path("in.txt"), path("out.txt")});
    QCOMPARE(readFile(path("out.txt")), QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n"));
}

void TestConvert::rtfToTextAndHtml()
{
    if (!readerAvailable())
        QSKIP("the reader is not there yet");
    const QByteArray input = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 caf\\'e9 \\b bold\\b0\\par "
                             "\\u20013?\\tab end}";
    QVERIFY(writeFile(path("in.rtf"), input));
    Result r = run({path("in.rtf"), path("out.txt")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(readFile(path("out.txt"))), QString::fromUtf8("café bold\n\u4e2d\tend\n"));

    r = run({"--to", "html", path("in.rtf"), path("out.txt")});
    QCOMPARE(r.exitCode, 0);
    const QString html = QString::fromUtf8(readFile(path("out.txt")));
    QVERIFY(html.contains(QLatin1String("<html")));
    QVERIFY(html.contains(QLatin1String("font-weight")));
    QVERIFY(html.contains(QString::fromUtf8("caf\u00e9")));
    r = run({path("in.rtf"), path("out.htm")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(readFile(path("out.htm")).contains("<html"));

    // RTF to RTF through the engine: what the writer writes for that document
    r = run({path("in.rtf"), path("again.rtf")});
    QCOMPARE(r.exitCode, 0);
    QTextDocument doc;
    QVERIFY(rtf::read(input, &doc));
    QCOMPARE(readFile(path("again.rtf")), rtf::write(&doc));
}

void TestConvert::standardStreams()
{
    // standard output gets text unless --to says otherwise
    Result r = run({"-", "-"}, "a {b}\nc\xc3\xa9");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("a {b}\nc\xc3\xa9\n"));
    QVERIFY(r.err.isEmpty());

    r = run({"--to=rtf", "-", "-"}, "a {b}");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("{\\rtf1"));
    QVERIFY(r.out.contains("a \\{b\\}"));

    // RTF on standard input is recognised by its content
    if (readerAvailable()) {
        r = run({"-", "-"}, "{\\rtf1 x\\par y}");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("x\ny\n"));
    }
    QVERIFY(writeFile(path("in.txt"), "from a file"));
    r = run({path("in.txt"), "-"});
    QCOMPARE(r.out, QByteArray("from a file\n"));
}

void TestConvert::failures()
{
    // a .rtf file that is not RTF: refused, one line, nothing written
    QVERIFY(writeFile(path("fake.rtf"), "just text, not rtf"));
    QFile::remove(path("fake.txt"));
    Result r = run({path("fake.rtf"), path("fake.txt")});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(oneLine(r.err), r.err);
    QVERIFY(r.err.contains("fake.rtf"));
    QVERIFY(!QFile::exists(path("fake.txt")));

    // a missing input leaves an existing output alone
    QVERIFY(writeFile(path("keep.txt"), "keep me"));
    r = run({path("missing.txt"), path("keep.txt")});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(oneLine(r.err), r.err);
    QVERIFY(r.err.contains("missing.txt"));
    QCOMPARE(readFile(path("keep.txt")), QByteArray("keep me"));

    // a directory cannot be read as a document
    r = run({m_dir.path(), path("x.txt")});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(oneLine(r.err), r.err);

    // an output that cannot be written
    QVERIFY(writeFile(path("in.txt"), "text"));
    r = run({path("in.txt"), path("no/such/dir/out.rtf")});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(oneLine(r.err), r.err);

    // usage errors: unknown output type, unknown option, wrong arguments
    for (const QStringList &args : {QStringList{path("in.txt"), path("out.doc")},
                                    QStringList{"--to", "pdf", path("in.txt"), path("o.txt")},
                                    QStringList{"--bogus", path("in.txt"), path("o.txt")},
                                    QStringList{path("in.txt")}}) {
        r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(oneLine(r.err), r.err);
    }
}

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"

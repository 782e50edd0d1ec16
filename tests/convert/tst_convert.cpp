// quillet-convert as users run it: a separate process with files, standard
// input and output, exit status and error line.

#include "common/Files.h"
#include "common/FullDisk.h"
#include "common/Metafiles.h"
#include "rtf/Rtf.h"
#include "text/DocumentFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(QUILLET_BINARY_DIR "/src/convert/quillet-convert");

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QStringList &args, const QByteArray &input = QByteArray(),
           const std::function<void()> &inChild = {})
{
    QProcess p;
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(kProgram, args);
    if (!p.waitForStarted(10000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    Run r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// A failure is reported on exactly one line of standard error.
bool oneLine(const QByteArray &err)
{
    return err.endsWith('\n') && err.count('\n') == 1 && err.size() > 1;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(kProgram), qPrintable(kProgram));
        QVERIFY(m_dir.isValid());
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: quillet-convert"));
        for (const char *option : {"-v", "--version"}) {
            const Run version = run({option});
            QCOMPARE(version.exitCode, 0);
            QVERIFY2(version.out.startsWith("quillet-convert ") && version.err.isEmpty(), version.out + version.err);
        }
    }

    void conversions()
    {
        // "in.*" in args is written with input first, "-" reads input from
        // standard input; the output (the other file named, or standard output)
        // is exactly want[0], or when not exact, contains each of want.
        const QByteArray rtfIn = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 caf\\'e9 \\b bold\\b0\\par \\u20013?\\tab end}";
        const QByteArray lines = "one\r\ntwo\rthree\nfour";
        QTextDocument doc; // RTF to RTF goes through the engine: what the writer writes
        QVERIFY(rtf::read(rtfIn, &doc));
        const struct {
            QStringList args;
            QByteArray input;
            QByteArrayList want;
            bool exact;
        } cases[] = {
            {{"in.txt", "out.txt"}, lines, {"one\ntwo\nthree\nfour\n"}, true},
            {{"--crlf", "in.txt", "out.txt"}, lines, {"one\r\ntwo\r\nthree\r\nfour\r\n"}, true},
            {{"in.rtf", "out.txt"}, rtfIn, {"caf\xc3\xa9 bold\n\xe4\xb8\xad\tend\n"}, true},
            {{"--to", "html", "in.rtf", "out.txt"}, rtfIn, {"<html", "font-weight", "caf\xc3\xa9"}, false},
            {{"in.rtf", "out.htm"}, rtfIn, {"<html"}, false},
            {{"in.rtf", "again.rtf"}, rtfIn, {rtf::write(&doc)}, true},
            // --to wins over the name; the name's case does not matter
            {{"--to", "rtf", "in.txt", "out.data"}, "plain", {"{\\rtf1", "plain"}, false},
            {{"in.txt", "OUT.RTF"}, "plain", {"{\\rtf1", "plain"}, false},
            // standard output gets text unless --to says otherwise; RTF on
            // standard input is recognised by its content
            {{"-", "-"}, "a {b}\nc\xc3\xa9", {"a {b}\nc\xc3\xa9\n"}, true},
            {{"--to=rtf", "-", "-"}, "a {b}", {"{\\rtf1", "a \\{b\\}"}, false},
            {{"-", "-"}, "{\\rtf1 x\\par y}", {"x\ny\n"}, true},
            {{"in.txt", "-"}, "from a file", {"from a file\n"}, true},
            // UTF-8 and Windows-1252 read the same
            {{"in.txt", "out.rtf"}, "caf\xc3\xa9 {1}\r\nx\\line", {"caf\\u233\\'e9 \\{1\\}\\par", "x\\\\line"}, false},
            {{"in.txt", "out.rtf"}, "caf\xe9 {1}", {"\\pard\\plain\\f0\\fs24 caf\\u233\\'e9 \\{1\\}\\par"}, false},
        };
        for (const auto &c : cases) {
            QStringList args = c.args;
            QString out = QStringLiteral("-");
            bool fromFile = false;
            for (QString &a : args) {
                if (!a.contains(u'.'))
                    continue;
                const bool isIn = a.startsWith(QLatin1String("in."));
                a = m_dir.filePath(a);
                if (isIn)
                    QVERIFY(writeFile(a, c.input));
                else
                    out = a;
                fromFile |= isIn;
            }
            const Run r = run(args, fromFile ? QByteArray() : c.input);
            const QString where = c.args.join(u' ');
            QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), qPrintable(where + ": " + r.err));
            const QByteArray got = out == QLatin1String("-") ? r.out : readFile(out);
            if (c.exact)
                QVERIFY2(got == c.want.first(), qPrintable(where + ": " + got));
            for (const QByteArray &p : c.want)
                QVERIFY2(got.contains(p), qPrintable(where + ": " + got));
        }
    }

    void failures()
    {
        QVERIFY(writeFile(path("fake.rtf"), "just text, not rtf"));
        QVERIFY(writeFile(path("in.txt"), "text"));
        const struct {
            QStringList args;
            int exitCode;
            const char *named; // the file the error line names
        } cases[] = {
            {{path("fake.rtf"), path("out.txt")}, 1, "fake.rtf"}, // a .rtf file that is not RTF
            {{path("missing.txt"), path("out.txt")}, 1, "missing.txt"},
            {{m_dir.path(), path("out.txt")}, 1, ""}, // a directory is no document
            {{path("in.txt"), path("no/such/dir/out.rtf")}, 1, "out.rtf"},
            // usage errors: unknown output type, unknown option, wrong arguments
            {{path("in.txt"), path("out.doc")}, 2, "out.doc"},
            {{"--to", "pdf", path("in.txt"), path("out.txt")}, 2, "pdf"},
            {{"--bogus", path("in.txt"), path("out.txt")}, 2, "bogus"},
            {{path("in.txt")}, 2, ""},
        };
        for (const auto &c : cases) {
            // a failure leaves an existing output as it was
            QVERIFY(writeFile(path("out.txt"), "keep me"));
            const Run r = run(c.args);
            QCOMPARE(r.exitCode, c.exitCode);
            QVERIFY2(oneLine(r.err) && r.err.contains(c.named), r.err);
            QCOMPARE(readFile(path("out.txt")), QByteArray("keep me"));
        }
        // Out of room: the old output stays byte for byte and the error says so
        // (a full disk, and sizes over and under a write buffer, are the file
        // module's, in tests/files).
        QVERIFY(writeFile(path("big.txt"), QByteArray(10000, 'x')));
        {
            FileSizeLimit limit(4096);
            const Run r = run({path("big.txt"), path("out.txt")});
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(oneLine(r.err) && r.err.contains("out.txt"), r.err);
        }
        QCOMPARE(readFile(path("out.txt")), QByteArray("keep me"));
        {
            // A full standard output is named as such.
            QProcess p;
            p.setStandardOutputFile(QStringLiteral("/dev/full"));
            p.start(kProgram, {path("in.txt"), "-"});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 1);
            const QByteArray err = p.readAllStandardError();
            QVERIFY2(oneLine(err) && err.contains("No space left on device"), err);
        }
    #if !defined(__SANITIZE_ADDRESS__) // the sanitizer's shadow memory needs more than any limit
        // Endless input is refused at the biggest document's size, not read
        // until memory runs out (here: 3 GB of address space); a file over that
        // size is refused by its size, before any of it is read (300 MB).
        QVERIFY(writeFile(path("huge.txt"), {}));
        QVERIFY(QFile::resize(path("huge.txt"), docfile::kMaxDocumentBytes + 1));
        for (const auto &[in, megabytes] : {std::pair{QStringLiteral("/dev/zero"), 3072}, std::pair{path("huge.txt"), 300}}) {
            const Run r = run({in, path("out.txt")}, {}, [mb = megabytes] {
                const rlimit space{rlim_t(mb) << 20, rlim_t(mb) << 20};
                ::setrlimit(RLIMIT_AS, &space);
            });
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(oneLine(r.err) && r.err.contains("too large"), r.err);
        }
        QFile::remove(path("huge.txt"));
    #endif
        // and writes none where there was none
        QVERIFY(QFile::remove(path("out.txt")));
        QVERIFY(run({path("fake.rtf"), path("out.txt")}).exitCode != 0);
        QVERIFY(!QFile::exists(path("out.txt")));
    }

    // A name that is not UTF-8 reaches the file system byte for byte, in and
    // out (given through the shell: QProcess would re-encode it).
    void byteFileNames()
    {
        const QString folder = path("bytes");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + QStringLiteral("/in.rtf"), "{\\rtf1 hello\\par}"));
        QProcess p;
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral("/bin/sh"), {"-c", "\"$0\" in.rtf \"o$(printf '\\377').txt\" && \"$0\" \"o$(printf '\\377').txt\" back.rtf",
                                            kProgram});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError());
        const QByteArray out = QFile::encodeName(folder) + "/o\xff.txt";
        QVERIFY(::access(out.constData(), F_OK) == 0);
        QVERIFY(readFile(folder + QStringLiteral("/back.rtf")).contains("hello"));
        QVERIFY(!QFile::exists(folder + QStringLiteral(u"/o\ufffd.txt")));
        QCOMPARE(::unlink(out.constData()), 0); // QTemporaryDir cannot name it
    }

    void safeHtml()
    {
        // Only web and mail links stay links, whatever the case, blanks or tabs
        // in the scheme; face names cannot end their CSS string; pictures are
        // embedded.
        const QByteArray png = QByteArray::fromHex(
            "89504e470d0a1a0a0000000d4948445200000001000000010806000000 1f15c4890000000d49444154789c6300010000"
            "050001 0d0a2db40000000049454e44ae426082");
        const QByteArray in =
            "{\\rtf1{\\fonttbl{\\f0 Evil'\"</style><script>x;}}\\f0 "
            "{\\field{\\*\\fldinst HYPERLINK \"  JavaScript:alert(1)\"}{\\fldrslt js}} "
            "{\\field{\\*\\fldinst HYPERLINK \"java\tscript:x\"}{\\fldrslt tab}} "
            "{\\field{\\*\\fldinst HYPERLINK \"DATA:text/html,x\"}{\\fldrslt data}} "
            "{\\field{\\*\\fldinst HYPERLINK \" vbscript:x\"}{\\fldrslt vb}} "
            "{\\field{\\*\\fldinst HYPERLINK \"https://ok.example/?a=1&b=2\"}{\\fldrslt web}} "
            "{\\field{\\*\\fldinst HYPERLINK \"mailto:a@b.example\"}{\\fldrslt mail}} "
            "{\\field{\\*\\fldinst HYPERLINK \\\\l \"here\"}{\\fldrslt local}}"
            " noted{\\footnote Ibid.}{\\v hidden} "
            "{\\pict\\pngblip " + png.toHex() + "}"
            "{\\pict\\wmetafile8\\picwgoal1500\\pichgoal750 " + metafiles::wmf().toHex() + "}"
            // list number text: a line end, quotes and a backslash to leave the CSS string
            "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0{\\leveltext\\'30 \\'00)"
            "\\'0aposition:fixed;inset:0;\\'22<b>\\'27&#39;\\'5c;}{\\levelnumbers\\'01;}}\\listid1}}"
            "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\\par\\pard\\ls1 item\\par}";
        QVERIFY(writeFile(path("evil.rtf"), in));
        const Run r = run({path("evil.rtf"), path("evil.html")});
        QCOMPARE(r.exitCode, 0);
        QFile f(path("evil.html"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray html = f.readAll();
        const QRegularExpression link(QStringLiteral("<a href=\"([^\"]*)\""));
        QStringList hrefs;
        for (auto it = link.globalMatch(QString::fromUtf8(html)); it.hasNext();)
            hrefs << it.next().captured(1);
        QCOMPARE(hrefs, QStringList({"https://ok.example/?a=1&amp;b=2", "mailto:a@b.example", "#here"}));
        QVERIFY(!html.contains("<script"));
        QVERIFY(html.contains("font-family:'Evilstylescriptx'"));
        QVERIFY(html.contains("<img src=\"data:image/png;base64," + png.toBase64().left(20)));
        QVERIFY(!html.contains("rtfimage:"));
        // the metafile drawn, as a PNG of its shown size
        const qsizetype drawn = html.indexOf("<img src=\"data:image/png;base64,", html.indexOf(png.toBase64().left(20)));
        QVERIFY(drawn > 0);
        const QImage wmf = QImage::fromData(QByteArray::fromBase64(html.mid(drawn + 32, html.indexOf('"', drawn + 32) - drawn - 32)));
        QCOMPARE(wmf.size(), QSize(100, 50));
        QCOMPARE(wmf.pixelColor(35, 25), QColor(Qt::red));
        const QRegularExpression list(QStringLiteral("<ol style=\"([^\"]*)\">"));
        const QString listStyle = list.match(QString::fromUtf8(html)).captured(1);
        QVERIFY2(!listStyle.contains(u'\n') && listStyle.contains(u"-qt-list-number-suffix: ')position:fixed;inset:0;b#39;;';"),
                 qPrintable(listStyle));
        // Notes and hidden text are not shown; their anchors are not text.
        QVERIFY(html.contains(" noted "));
        QVERIFY(!html.contains("\xef\xbf\xbc"));
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"

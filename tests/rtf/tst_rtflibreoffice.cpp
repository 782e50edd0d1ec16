// What we write, LibreOffice reads with the same layout: indents at their
// true size, merged table cells, lists, and the parts the editor does not
// show (header, footnote). Skipped where LibreOffice is not installed.

#include "RtfTestUtil.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace rtftest;

class TestRtfLibreOffice : public QObject {
    Q_OBJECT

private slots:
    void sameLayout();
};

namespace {

// LibreOffice's HTML of an RTF file, or an empty string.
QString libreOfficeHtml(const QTemporaryDir &dir, const QByteArray &rtf)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QFile f(dir.filePath(QStringLiteral("doc.rtf")));
    if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
        return {};
    f.close();
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("html"),
                      QStringLiteral("--outdir"), dir.path(), f.fileName()});
    if (!p.waitForFinished(180000))
        return {};
    QFile html(dir.filePath(QStringLiteral("doc.html")));
    return html.open(QIODevice::ReadOnly) ? QString::fromUtf8(html.readAll()) : QString();
}

// A length in LibreOffice's CSS ("0.5in", "1.27cm") in twips.
int cssTwips(const QString &value)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(-?[0-9.]+)(in|cm|mm|pt)"));
    const auto m = re.match(value);
    if (!m.hasMatch())
        return -1;
    const double v = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double perUnit = unit == u"in" ? 1440 : unit == u"cm" ? 1440 / 2.54 : unit == u"mm" ? 144 / 2.54 : 20;
    return qRound(v * perUnit);
}

} // namespace

void TestRtfLibreOffice::sameLayout()
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    auto doc = load(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}"
        "{\\header \\pard Running head\\par}"
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid5}}"
        "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}"
        "\\pard\\li1440\\fi-720 indented\\par"
        "\\pard\\ls1\\li720 first item\\par\\pard\\ls1\\li720 second item{\\super\\chftn}{\\footnote\\pard Note text.}\\par"
        "\\trowd\\cellx2880\\cellx8640\\pard\\intbl a\\cell wide\\cell\\row"
        "\\trowd\\clvmgf\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl tall\\cell b\\cell c\\cell\\row"
        "\\trowd\\clvmrg\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl\\cell d\\cell e\\cell\\row"
        "\\pard after\\par}");
    QVERIFY(doc);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString html = libreOfficeHtml(dir, rtf::write(doc.get())).simplified(); // it wraps lines
    QVERIFY2(!html.isEmpty(), "LibreOffice wrote no HTML");

    // One inch of left indent, half an inch hanging: 1440 and -720 twips.
    static const QRegularExpression para(QStringLiteral("<p[^>]*style=\"([^\"]*)\"[^>]*>\\s*(?:<[^>]*>\\s*)*indented"));
    const auto m = para.match(html);
    QVERIFY2(m.hasMatch(), qPrintable(html.left(2000)));
    static const QRegularExpression left(QStringLiteral("margin-left:\\s*([^;]+)"));
    static const QRegularExpression indent(QStringLiteral("text-indent:\\s*([^;]+)"));
    QVERIFY(qAbs(cssTwips(left.match(m.captured(1)).captured(1)) - 1440) <= 15);
    QVERIFY(qAbs(cssTwips(indent.match(m.captured(1)).captured(1)) + 720) <= 15);
    // The list is a list; the table keeps its merged cells.
    QVERIFY(html.contains(QLatin1String("<ol")));
    QVERIFY(html.contains(QLatin1String("colspan=\"2\"")));
    QVERIFY(html.contains(QLatin1String("rowspan=\"2\"")));
    // The parts the editor does not show are there.
    QVERIFY(html.contains(QLatin1String("Running head")));
    QVERIFY(html.contains(QLatin1String("Note text.")));
}

QTEST_MAIN(TestRtfLibreOffice)
#include "tst_rtflibreoffice.moc"

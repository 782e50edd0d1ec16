// Speed of the editing area itself: a shown RichTextBox driven the way a user
// would, under whatever platform QT_QPA_PLATFORM names (offscreen for runs
// without a display).
//
//   bench_editor [--quick] [--max-word KB] [--rtf FILE] [--case NAME] [--list]
//
// Each case runs in a child process of its own, so that its memory figures
// stand alone, and prints one row per measure. Times are wall clock on the
// GUI thread; "stall" is the longest the event loop went without serving a
// 5 ms heartbeat while the layout after the operation finished; "settle" is
// how long until the whole document was laid out (or the limit), and "cpu"
// the processor time that took. --quick divides every size by ten; --rtf
// takes FILE (say, one bench_rtf --dump wrote) for the generated 10 MB RTF.

#include "shell/CommonDialog.h"
#include "shell/MainWindow.h"
#include "shell/RichTextBox.h"
#include "views/Form3.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

int g_div = 1; // --quick divides sizes by 10
int g_maxWordKb = 1024;
double g_lastCpu = 0;   // processor seconds of the last timed() call
QString g_rtfFile;      // --rtf FILE: this document instead of the generated one // --max-word KB skips longer words (quadratic before)

qint64 mb(double n) { return qint64(n * 1024 * 1024 / g_div); }

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident and peak resident memory in MB, from /proc.
double procStatusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(strlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}
double rssMb() { return procStatusMb("VmRSS:"); }
double peakMb() { return procStatusMb("VmHWM:"); }

void row(const char *caseName, const char *measure, double value, const char *unit)
{
    std::printf("%s\t%s\t%.3f\t%s\n", caseName, measure, value, unit);
    std::fflush(stdout);
}

// ---- generated documents ------------------------------------------------------

const char *const kWords[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog",
                              "paragraph", "document", "editor", "formatting", "window", "typing",
                              "caf\\'e9", "na\\u239?ve", "a", "of", "and", "to"};

QByteArray makeRtf(qint64 bytes)
{
    QRandomGenerator rng(42);
    QByteArray out;
    out.reserve(bytes + 4096);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
           "{\\f1\\froman Times New Roman;}{\\f2\\fmodern Courier New;}{\\f3\\fswiss Arial;}}\r\n"
           "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green112\\blue192;}\r\n";
    while (out.size() < bytes) {
        out += "\\pard\\plain ";
        const int runs = 1 + int(rng.bounded(8));
        for (int r = 0; r < runs; ++r) {
            out += "{";
            if (rng.bounded(4) == 0) out += "\\b";
            if (rng.bounded(6) == 0) out += "\\i";
            if (rng.bounded(10) == 0) out += "\\ul";
            out += "\\f" + QByteArray::number(rng.bounded(4));
            out += "\\fs" + QByteArray::number(16 + 2 * rng.bounded(8));
            out += "\\cf" + QByteArray::number(1 + rng.bounded(3));
            out += " ";
            const int words = 3 + int(rng.bounded(30));
            for (int w = 0; w < words; ++w) {
                out += kWords[rng.bounded(int(std::size(kWords)))];
                out += ' ';
            }
            out += "}";
        }
        out += "\\par\r\n";
    }
    out += "}";
    return out;
}

// An 8-column table of `rows` rows, one short word per cell.
QByteArray makeTableRtf(int rows)
{
    QByteArray out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n";
    QByteArray def = "\\trowd\\trgaph108";
    for (int c = 1; c <= 8; ++c)
        def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
               "\\clbrdrr\\brdrs\\brdrw10\\cellx" + QByteArray::number(c * 1200);
    for (int r = 0; r < rows; ++r) {
        out += def + "\r\n";
        for (int c = 0; c < 8; ++c)
            out += "\\pard\\intbl r" + QByteArray::number(r) + "c" + QByteArray::number(c) + "\\cell";
        out += "\\row\r\n";
    }
    out += "\\pard\\par}";
    return out;
}

// The content of one cell at `level` of a chain of one-cell tables, each
// nested in the one before, `depth` deep (as Word writes nested tables).
QByteArray nestedCell(int level, int depth, int chain)
{
    const QByteArray l = QByteArray::number(level);
    QByteArray s = "\\pard\\intbl\\itap" + l + " chain " + QByteArray::number(chain) + " level " + l + "\\par\r\n";
    if (level < depth)
        s += nestedCell(level + 1, depth, chain) + "{\\*\\nesttableprops\\trowd\\trgaph108\\cellx"
            + QByteArray::number(9000 - 200 * level) + "\\nestrow}{\\nonesttables\\par}\r\n";
    s += "\\pard\\intbl\\itap" + l + " end " + l + (level == 1 ? "\\cell" : "\\nestcell");
    return s;
}

QByteArray makeNestedRtf(int chains, int depth)
{
    QByteArray out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n";
    for (int c = 0; c < chains; ++c)
        out += "\\trowd\\trgaph108\\cellx9000\r\n" + nestedCell(1, depth, c) + "\\row\r\n\\pard after\\par\r\n";
    out += "}";
    return out;
}

// `faces` distinct font faces, none installed, one short run in each.
QByteArray makeFontsRtf(int faces)
{
    QByteArray table = "{\\fonttbl{\\f0\\fswiss Arial;}", body;
    for (int f = 1; f <= faces; ++f) {
        const QByteArray n = QByteArray::number(f);
        table += "{\\f" + n + (f % 2 ? "\\froman" : "\\fswiss") + " Face Number " + n + ";}";
        body += "{\\f" + n + " word" + n + "} ";
        if (f % 10 == 0)
            body += "\\par\r\n";
    }
    return "{\\rtf1\\ansi\\deff0" + table + "}\r\n" + body + "\\par}";
}

QString makeText(qint64 chars)
{
    QRandomGenerator rng(7);
    const char *const words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog",
                                 "plain", "text", "line", "of", "words", "and", "more"};
    QString s;
    s.reserve(chars + 100);
    int col = 0;
    while (s.size() < chars) {
        s += QLatin1String(words[rng.bounded(int(std::size(words)))]);
        col += 6;
        if (col > 60 + int(rng.bounded(20))) {
            s += QLatin1Char('\n');
            col = 0;
        } else {
            s += QLatin1Char(' ');
        }
    }
    return s;
}

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    if (g_rtfFile.size() && QByteArray(name).endsWith(".rtf"))
        return g_rtfFile;
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// ---- measuring --------------------------------------------------------------

struct Editor {
    RichTextBox box;
    Editor()
    {
        box.resize(800, 600);
        box.show();
        if (!QTest::qWaitForWindowExposed(&box))
            qFatal("editor not shown");
        box.setFocus();
    }
    // Paints now, as the next event-loop pass would.
    void paint() { box.viewport()->repaint(); }
};

bool laidOut(const QTextDocument *doc)
{
    const QTextLayout *l = doc->lastBlock().layout();
    return l && l->lineCount() > 0;
}

struct Settle {
    double stallMs = 0;
    double seconds = 0;
    double cpu = 0;
    bool done = false;
    bool idle = false;
};

// Runs the event loop until the document is laid out, the process goes idle
// (under 5% of a core for half a second) or `limit` seconds pass, with a 5 ms
// heartbeat that records the longest gap between its ticks.
Settle settle(RichTextBox &box, double limit = 30)
{
    Settle s;
    QElapsedTimer all, gap, window;
    all.start();
    gap.start();
    window.start();
    const double cpu0 = cpuSeconds();
    double windowCpu = cpu0;
    QEventLoop loop;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        s.stallMs = std::max(s.stallMs, gap.nsecsElapsed() / 1e6);
        gap.restart();
        if (window.elapsed() >= 500) {
            const double now = cpuSeconds();
            s.idle = now - windowCpu < 0.025;
            windowCpu = now;
            window.restart();
        }
        if (laidOut(box.document()) || s.idle || all.elapsed() > limit * 1000)
            loop.quit();
    });
    beat.start();
    loop.exec();
    s.seconds = all.nsecsElapsed() / 1e9;
    s.cpu = cpuSeconds() - cpu0;
    s.done = laidOut(box.document());
    return s;
}

Settle settle(Editor &e, double limit = 30) { return settle(e.box, limit); }

// Runs the event loop for `seconds` and returns the processor time it used.
double idleCpu(double seconds)
{
    const double cpu0 = cpuSeconds();
    QTest::qWait(int(seconds * 1000));
    return cpuSeconds() - cpu0;
}

// A timed step: its wall-clock time and, beside it, its processor time,
// which other processes on the machine disturb less.
void timedRow(const char *caseName, const char *measure, double seconds)
{
    row(caseName, measure, seconds, "s");
    row(caseName, (QByteArray(measure) + " cpu").constData(), g_lastCpu, "s");
}

void report(const char *name, const Settle &s)
{
    row(name, "stall", s.stallMs, "ms");
    row(name, s.done ? "settle" : s.idle ? "settle(idle, part)" : "settle(limit)", s.seconds, "s");
    row(name, "settle cpu", s.cpu, "s");
}

template <typename F>
double timed(F &&f)
{
    QElapsedTimer t;
    const double cpu0 = cpuSeconds();
    t.start();
    f();
    g_lastCpu = cpuSeconds() - cpu0;
    return t.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void selectAll(RichTextBox &box)
{
    box.SetSelStart(0);
    box.SetSelLength(box.document()->characterCount());
}

// ---- cases -------------------------------------------------------------------

// Opens path in e, then reports the time to the first paint, the memory then
// and once the layout has settled.
void openAndReport(Editor &e, const QString &path, RichTextBox::FileType type, const char *name)
{
    const double before = rssMb();
    const double t = timed([&] {
        if (!e.box.LoadFile(path, type))
            qFatal("load failed");
        e.paint();
    });
    timedRow(name, "to first paint", t);
    row(name, "memory at first paint", rssMb() - before, "MB");
    report(name, settle(e));
    row(name, "memory", rssMb() - before, "MB");
}

void caseOpenRtf()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "big.rtf", g_rtfFile.isEmpty() ? makeRtf(mb(10)) : QByteArray());
    Editor e;
    openAndReport(e, path, RichTextBox::rtfRTF, "open 10 MB RTF");
    // Ctrl+End, then a character typed there, shown.
    const double end = timed([&] {
        QTest::keyClick(&e.box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&e.box, Qt::Key_X);
        e.paint();
    });
    timedRow("open 10 MB RTF", "Ctrl+End, type", end);
    row("open 10 MB RTF", "peak memory", peakMb(), "MB");
}

void caseOpenText()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "big.txt", makeText(mb(60)).toUtf8());
    Editor e;
    openAndReport(e, path, RichTextBox::rtfText, "open 60 MB text");
    row("open 60 MB text", "peak memory", peakMb(), "MB");
}

void caseSetText()
{
    QString text = makeText(mb(60));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    Editor e;
    const double before = rssMb();
    const double t = timed([&] {
        e.box.SetText(text);
        e.paint();
    });
    text.clear();
    text.squeeze();
    timedRow("Text = 60 MB (Receive)", "to first paint", t);
    report("Text = 60 MB (Receive)", settle(e));
    row("Text = 60 MB (Receive)", "memory", rssMb() - before, "MB");
    row("Text = 60 MB (Receive)", "peak memory", peakMb(), "MB");
}

void loadRtf(Editor &e, qint64 bytes)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "doc.rtf", g_rtfFile.isEmpty() ? makeRtf(bytes) : QByteArray());
    if (!e.box.LoadFile(path, RichTextBox::rtfRTF))
        qFatal("load failed");
    settle(e);
}

void caseFormat()
{
    Editor e;
    loadRtf(e, mb(10));
    struct Cmd {
        const char *name;
        std::function<void(RichTextBox &)> run;
    };
    const Cmd cmds[] = {
        {"Bold", [](RichTextBox &b) { b.SetSelBold(!b.SelBold()); }},
        {"Italic", [](RichTextBox &b) { b.SetSelItalic(!b.SelItalic()); }},
        {"Underline", [](RichTextBox &b) { b.SetSelUnderline(!b.SelUnderline()); }},
        {"Strikethru", [](RichTextBox &b) { b.SetSelStrikeThru(!b.SelStrikeThru()); }},
        {"font name", [](RichTextBox &b) { b.SetSelFontName(QStringLiteral("Times New Roman")); }},
        {"font size", [](RichTextBox &b) { b.SetSelFontSize(20); }},
        {"colour", [](RichTextBox &b) { b.SetSelColor(0x0000FF); }},
    };
    for (const Cmd &c : cmds) {
        const QByteArray name = QByteArray("Select All + ") + c.name + " 10 MB";
        const double t = timed([&] {
            selectAll(e.box);
            c.run(e.box);
            e.paint();
        });
        timedRow(name.constData(), "to paint", t);
        report(name.constData(), settle(e));
    }
    const double undo = timed([&] {
        QTest::keyClick(&e.box, Qt::Key_Z, Qt::ControlModifier);
        e.paint();
    });
    timedRow("Undo colour 10 MB", "to paint", undo);
    report("Undo colour 10 MB", settle(e));
}

void casePaste()
{
    const QString clip = makeText(mb(3));
    {
        Editor e;
        QGuiApplication::clipboard()->setText(clip);
        const double t = timed([&] {
            e.box.SetSelText(QGuiApplication::clipboard()->text());
            e.paint();
        });
        timedRow("paste 3 MB into empty", "to paint", t);
        report("paste 3 MB into empty", settle(e));
    }
    Editor e;
    loadRtf(e, mb(10));
    e.box.SetSelStart(e.box.document()->characterCount() / 2);
    e.paint();
    const double t = timed([&] {
        e.box.SetSelText(clip);
        e.paint();
    });
    timedRow("paste 3 MB into middle of 10 MB", "to paint", t);
    report("paste 3 MB into middle of 10 MB", settle(e));
    const double undo = timed([&] {
        QTest::keyClick(&e.box, Qt::Key_Z, Qt::ControlModifier);
        e.paint();
    });
    timedRow("undo paste 3 MB", "to paint", undo);
    report("undo paste 3 MB", settle(e));
}

void caseTyping()
{
    Editor e;
    loadRtf(e, mb(10));
    for (const char *where : {"end", "middle"}) {
        if (where[0] == 'e')
            e.box.SetSelStart(e.box.document()->characterCount());
        else
            e.box.SetSelStart(e.box.document()->characterCount() / 2);
        e.paint();
        settle(e);
        std::vector<double> times;
        for (int i = 0; i < 21; ++i) {
            times.push_back(timed([&] {
                QTest::keyClick(&e.box, Qt::Key_X);
                e.paint();
            }));
            QCoreApplication::processEvents();
        }
        const QByteArray name = QByteArray("keystroke at ") + where + " of 10 MB";
        row(name.constData(), "median", median(times) * 1000, "ms");
        row(name.constData(), "max", *std::max_element(times.begin(), times.end()) * 1000, "ms");
    }
}

// One word of kb kilobytes (divided as the rest of the run), letters
// sprinkled in so that no font shortcut makes it cheap.
QString oneWord(int kb)
{
    QString word(qsizetype(kb) * 1024 / g_div, QLatin1Char('x'));
    for (qsizetype i = 0; i < word.size(); i += 7)
        word[i] = QLatin1Char('A' + char(i % 26));
    return word;
}

void caseLongWord()
{
    for (int kb : {64, 256, 1024}) {
        if (kb > g_maxWordKb)
            continue;
        Editor e;
        const QString word = oneWord(kb);
        const QByteArray name = QByteArray("one word of ") + QByteArray::number(kb / g_div) + " KB";
        const double t = timed([&] {
            e.box.SetText(word);
            e.paint();
        });
        timedRow(name.constData(), "to first paint", t);
        report(name.constData(), settle(e, 60));
    }
}

// A main window that only holds the document the full-screen view copies.
struct MainStub : MainWindow
{
    QWidget window;
    RichTextBox box;
    CommonDialog dialog{&window, nullptr};
    RichTextBox &documentBox() override { return box; }
    CommonDialog &commonDialog() override { return dialog; }
    void setStatus(StatusTag, const QString &) override {}
    void setTitleFile(const QString &) override {}
    void resetTitle() override {}
    QWidget *widget() override { return &window; }
    void showMain() override {}
    void hideMain() override {}
};

// The full-screen view shows a copy of a document made of one long word;
// the length doubles from row to row.
void caseFullScreenLongWord()
{
    for (int kb : {32, 64, 128, 256}) {
        if (kb > g_maxWordKb)
            continue;
        MainStub main;
        const QString word = oneWord(kb);
        main.box.SetText(word);
        auto *view = new Form3(main);   // the stub's window takes it along
        view->showMaximized();
        if (!QTest::qWaitForWindowExposed(view))
            qFatal("full-screen view not shown");
        const QByteArray name = QByteArray("full screen, one word of ") + QByteArray::number(kb / g_div) + " KB";
        const double t = timed([&] {
            view->showCopyOf(*main.box.document());
            view->RichTextBox1->viewport()->repaint();
        });
        timedRow(name.constData(), "to first paint", t);
        report(name.constData(), settle(*view->RichTextBox1, 60));
    }
}

void caseHistory()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "big.txt", makeText(mb(40)).toUtf8());
    Editor e;
    const double before = rssMb();
    for (int i = 0; i < 6; ++i)
        if (!e.box.LoadFile(path, RichTextBox::rtfText))
            qFatal("load failed");
    QString small = QStringLiteral("small");
    e.box.SetText(small);
    e.paint();
    row("6 x 40 MB text replaced, then 5 bytes", "memory", rssMb() - before, "MB");
    row("6 x 40 MB text replaced, then 5 bytes", "cpu over next 3 s", idleCpu(3), "s");
}

// Photos of 5600 x 5600 pixels shown small: the editor must not decode them
// again at each paint (the cursor blinks), so idle means idle.
void casePictures()
{
    QImage photo(5600 / g_div, 5600 / g_div, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    QPainter(&photo).fillRect(0, 0, photo.width() / 2, photo.height(), Qt::yellow);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "png");
    const QByteArray pict = "{\\pict\\pngblip\\picwgoal2880\\pichgoal2880 " + png.toHex() + "}";
    for (int n : {5, 10}) {
        QByteArray rtf = "{\\rtf1 ";
        for (int i = 0; i < n; ++i)
            rtf += pict + "\\par ";
        Editor e;
        const QByteArray name = QByteArray::number(n) + " photos of 5600x5600";
        const double t = timed([&] {
            e.box.SetTextRTF(QString::fromLatin1(rtf + "}"));
            e.paint();
        });
        timedRow(name.constData(), "to first paint", t);
        settle(e);
        row(name.constData(), "cpu over next 3 s", idleCpu(3), "s");
    }
}

// One paragraph of megabytes of words, opened from a text file, at 1, 2, 4
// and 8 MB: the time to the first paint, the processor time while the
// editor sits idle afterwards, and the time per keystroke (shown) at the
// end and in the middle; none of them should more than double with the size.
void caseHugeParagraph()
{
    QTemporaryDir dir;
    for (int megabytes : {1, 2, 4, 8}) {
        QString text = makeText(mb(megabytes));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QString path = writeFile(dir, "paragraph.txt", text.toUtf8());
        text.clear();
        Editor e;
        const QByteArray name = "one paragraph of " + QByteArray::number(megabytes) + " MB";
        const double t = timed([&] {
            if (!e.box.LoadFile(path, RichTextBox::rtfText))
                qFatal("load failed");
            e.paint();
        });
        timedRow(name.constData(), "to first paint", t);
        report(name.constData(), settle(e, 60));
        row(name.constData(), "cpu over next 3 s", idleCpu(3), "s");
        for (const char *where : {"end", "middle"}) {
            const int count = e.box.document()->characterCount();
            e.box.SetSelStart(where[0] == 'e' ? count : count / 2);
            e.box.ensureCursorVisible();
            e.paint();
            settle(e, 60);
            std::vector<double> times, cpu;
            for (int i = 0; i < 5; ++i) {
                times.push_back(timed([&] {
                    QTest::keyClick(&e.box, Qt::Key_X);
                    e.paint();
                }));
                cpu.push_back(g_lastCpu);
                QCoreApplication::processEvents();
            }
            const QByteArray measure = QByteArray("keystroke at ") + where;
            row(name.constData(), measure.constData(), median(times) * 1000, "ms");
            row(name.constData(), (measure + " cpu").constData(), median(cpu) * 1000, "ms");
        }
        row(name.constData(), "cpu idle after typing, 3 s", idleCpu(3), "s");
    }
}

// Shapes Qt lays out in one piece: a long table (rows at n and 2n), chains
// of nested tables (the number of chains at n and 2n, each 16 deep) and
// documents of many distinct faces.
void caseBigTable()
{
    QTemporaryDir dir;
    for (int rows : {5000 / g_div, 10000 / g_div}) {
        const QByteArray name = "table of " + QByteArray::number(rows) + " rows";
        const QString path = writeFile(dir, "table.rtf", makeTableRtf(rows));
        Editor e;
        openAndReport(e, path, RichTextBox::rtfRTF, name.constData());
    }
}

void caseNestedTables()
{
    QTemporaryDir dir;
    for (int chains : {4, 8}) {
        const QByteArray name = QByteArray::number(chains) + " chains of 16 nested tables";
        const QString path = writeFile(dir, "nested.rtf", makeNestedRtf(chains, 16));
        Editor e;
        openAndReport(e, path, RichTextBox::rtfRTF, name.constData());
    }
}

void caseManyFonts()
{
    QTemporaryDir dir;
    for (int faces : {8000 / g_div, 16000 / g_div}) {
        const QByteArray name = QByteArray::number(faces) + " distinct faces";
        const QString path = writeFile(dir, "fonts.rtf", makeFontsRtf(faces));
        Editor e;
        openAndReport(e, path, RichTextBox::rtfRTF, name.constData());
    }
}

const std::map<QString, void (*)()> kCases = {
    {"open-rtf", caseOpenRtf},   {"open-text", caseOpenText}, {"set-text", caseSetText},
    {"format", caseFormat},      {"paste", casePaste},        {"typing", caseTyping},
    {"long-word", caseLongWord}, {"history", caseHistory},    {"pictures", casePictures},
    {"huge-paragraph", caseHugeParagraph}, {"fullscreen-long-word", caseFullScreenLongWord},
    {"big-table", caseBigTable}, {"nested-tables", caseNestedTables}, {"many-fonts", caseManyFonts},
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.removeAll(QStringLiteral("--quick")))
        g_div = 10;
    if (const int w = int(args.indexOf(QStringLiteral("--max-word"))); w >= 0 && w + 1 < args.size()) {
        g_maxWordKb = args.at(w + 1).toInt();
        args.remove(w, 2);
    }
    if (const int r = int(args.indexOf(QStringLiteral("--rtf"))); r >= 0 && r + 1 < args.size()) {
        g_rtfFile = args.at(r + 1);
        args.remove(r, 2);
    }
    if (args.contains(QStringLiteral("--list"))) {
        for (const auto &[name, fn] : kCases)
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    const int at = int(args.indexOf(QStringLiteral("--case")));
    if (at >= 0 && at + 1 < args.size()) {
        const auto it = kCases.find(args.at(at + 1));
        if (it == kCases.end()) {
            std::fprintf(stderr, "unknown case %s\n", qPrintable(args.at(at + 1)));
            return 2;
        }
        it->second();
        return 0;
    }
    // Every case in a process of its own.
    std::printf("%-40s %-18s %10s\n", "case", "measure", "value");
    for (const auto &[name, fn] : kCases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList childArgs{QStringLiteral("--case"), name};
        if (g_div != 1)
            childArgs << QStringLiteral("--quick");
        childArgs << QStringLiteral("--max-word") << QString::number(g_maxWordKb);
        if (!g_rtfFile.isEmpty())
            childArgs << QStringLiteral("--rtf") << g_rtfFile;
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        child.waitForFinished(-1);
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split('\t');
            if (f.size() == 4)
                std::printf("%-40s %-18s %10s %s\n", f[0].constData(), f[1].constData(),
                            f[2].constData(), f[3].constData());
        }
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            std::printf("%-40s failed\n", qPrintable(name));
        std::fflush(stdout);
    }
    return 0;
}

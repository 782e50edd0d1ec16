// quillet-convert: batch conversion between RTF, plain text and HTML with
// the editor's own RTF engine.

#include "SafeHtml.h"
#include "rtf/Rtf.h"
#include "base/Product.h"
#include "text/DocumentFile.h"
#include "text/TextCodec.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: quillet-convert [options] IN OUT\n"
    "Convert a document between RTF, plain text and HTML.\n"
    "\n"
    "IN is read as RTF when it starts with {\\rtf, otherwise as plain text\n"
    "(UTF-8 or UTF-16 with a byte-order mark, else UTF-8 when valid, else\n"
    "Windows-1252). An IN whose name ends in .rtf must be RTF.\n"
    "The output format follows OUT's extension (.rtf, .txt, .html or .htm)\n"
    "unless --to is given. Use - for standard input or standard output;\n"
    "standard output gets plain text unless --to says otherwise.\n"
    "\n"
    "Plain text is written as UTF-8 without a byte-order mark, one line per\n"
    "paragraph (table cells one per line), with LF line ends; --crlf writes\n"
    "CR LF line ends instead. RTF is written with CR LF line ends.\n"
    "\n"
    "Options:\n"
    "  --to FORMAT   output format: rtf, txt or html\n"
    "  --crlf        CR LF line ends in plain text output\n"
    "  -h, --help    show this help and exit\n"
    "  -v, --version show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when reading or writing fails,\n"
    "2 on a usage error.\n";

// File names in the message come out as the bytes they were given as.
void fail(const QString &message)
{
    std::fprintf(stderr, "quillet-convert: %s\n", docfile::encodeName(message).constData());
}

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

enum class Format { None, Rtf, Txt, Html };

Format formatFromName(const QString &s)
{
    const QString l = s.toLower();
    if (l == QLatin1String("rtf"))
        return Format::Rtf;
    if (l == QLatin1String("txt") || l == QLatin1String("text"))
        return Format::Txt;
    if (l == QLatin1String("html") || l == QLatin1String("htm"))
        return Format::Html;
    return Format::None;
}

Format formatFromPath(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash + 1) // no extension (or a hidden file's leading dot)
        return Format::None;
    return formatFromName(path.mid(dot + 1));
}

// IN may be a pipe or a device as well as a file (unlike in the editor),
// read up to the biggest document's size.
Result<QByteArray> readInput(const QString &path)
{
    if (path == QLatin1String("-"))
        return docfile::readAll(STDIN_FILENO);
    const int fd = ::open(docfile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Failure{systemError(errno)};
    struct stat st;
    Result<QByteArray> read = ::fstat(fd, &st) != 0 ? Failure{systemError(errno)}
                              : S_ISDIR(st.st_mode) ? Failure{QStringLiteral("it is a folder")}
                                                    : docfile::readAll(fd);
    ::close(fd);
    return read;
}

Result<> writeOutput(const QString &path, const QByteArray &data)
{
    if (path == QLatin1String("-")) {
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t n = ::write(STDOUT_FILENO, data.constData() + done, size_t(data.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Failure{systemError(n < 0 ? errno : ENOSPC)};
            done += n;
        }
        return {};
    }
    // All or nothing: a failed conversion never leaves half a file behind,
    // nor damages the file it replaces.
    return docfile::save(path, data);
}

QByteArray plainText(const QTextDocument &doc, bool crlf)
{
    QString text = rtf::plainText(&doc); // list markers too, as word processors export them
    text.remove(QChar::ObjectReplacementCharacter); // pictures have no text
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    if (crlf)
        text = textcodec::toCrLf(text);
    return text.toUtf8();
}

} // namespace

int main(int argc, char **argv)
{
    // No GUI application: the document is never laid out or shown.
    QCoreApplication app(argc, argv);

    // Names as the bytes given: a name that is not UTF-8 still names its file.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << docfile::decodeName(QByteArray(argv[i]));
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption crlfOption(QStringLiteral("crlf"), QString());
    parser.addOptions({help, version, toOption, crlfOption});
    if (!parser.parse(args)) {
        fail(parser.errorText() + QStringLiteral(" (try --help)"));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("quillet-convert %s\n", product::kVersion);
        return 0;
    }
    const bool crlf = parser.isSet(crlfOption);
    Format to = Format::None;
    if (parser.isSet(toOption)) {
        const QString v = parser.value(toOption);
        to = formatFromName(v);
        if (to == Format::None) {
            fail(QStringLiteral("unknown format '%1' for --to (use rtf, txt or html)").arg(v));
            return 2;
        }
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        fail(QStringLiteral("expected IN and OUT (try --help)"));
        return 2;
    }
    const QString in = files[0];
    const QString out = files[1];

    Format format = to;
    if (format == Format::None)
        format = out == QLatin1String("-") ? Format::Txt : formatFromPath(out);
    if (format == Format::None) {
        fail(QStringLiteral("cannot tell the output format from '%1'; use --to rtf|txt|html").arg(out));
        return 2;
    }

    Result<QByteArray> input = readInput(in);
    if (!input) {
        fail(QStringLiteral("cannot read %1: %2").arg(in, input.error()));
        return 1;
    }
    QByteArray data = *std::move(input);

    rtf::Document doc;
    doc.setUndoRedoEnabled(false);
    if (rtf::isRtf(data)) {
        if (!rtf::read(data, &doc)) {
            fail(QStringLiteral("cannot read %1: not a readable RTF file").arg(in));
            return 1;
        }
    } else if (formatFromPath(in) == Format::Rtf) {
        fail(QStringLiteral("cannot read %1: not an RTF file").arg(in));
        return 1;
    } else {
        // QTextDocument makes a paragraph of each CR and of each LF
        QString text = textcodec::decodeText(data);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        doc.setPlainText(text);
    }
    data = QByteArray(); // the input is no longer needed

    QByteArray result;
    switch (format) {
    case Format::Rtf: {
        int lost = 0;
        result = rtf::write(&doc, &lost);
        if (lost) { // all or nothing, as for any other failure
            fail(QStringLiteral("cannot write %1: %2 picture(s) could not be encoded").arg(out).arg(lost));
            return 1;
        }
        break;
    }
    case Format::Txt:
        result = plainText(doc, crlf);
        break;
    case Format::Html:
        result = safeHtml(&doc);
        break;
    case Format::None:
        break;
    }
    if (const Result<> written = writeOutput(out, result); !written) {
        fail(QStringLiteral("cannot write %1: %2").arg(out, written.error()));
        return 1;
    }
    return 0;
}

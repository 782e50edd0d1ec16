#include "app/Form1.h"
#include "base/Product.h"
#include "text/DocumentFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(product::name());
    QCoreApplication::setApplicationVersion(product::version());
}

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("A small word processor for rich text."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A document to open: RTF when it starts with {\\rtf, else plain text."),
                                 QStringLiteral("[FILE]"));
}

// Help and version are answered without a window system, so they work on a
// console without a display too.
void answerHelpOrVersion(int argc, char *argv[])
{
    bool asked = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char *option : {"-h", "--help", "-?", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return;
    QCoreApplication app(argc, argv);
    nameApplication();
    QCommandLineParser parser;
    describe(parser);
    parser.parse(app.arguments());   // Qt's own options are not ours to reject here
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

} // namespace

int main(int argc, char *argv[])
{
    answerHelpOrVersion(argc, argv);

    QApplication app(argc, argv);
    nameApplication();
    // Ties the windows to the installed menu entry (icon, grouping).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillet.Quillet"));

    QCommandLineParser parser;
    describe(parser);
    // Qt took its own options out of argv. The rest as the bytes given: a
    // name that is not UTF-8 still names its file.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << docfile::decodeName(QByteArray(argv[i]));
    parser.process(args);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "quillet: one FILE at most (try --help)\n");
        return 2;
    }

    Form1 form;
    form.start();
    // Once start-up is done and its windows are up, as if chosen in Open.
    if (!files.isEmpty())
        QTimer::singleShot(0, &form, [&form, file = files.first()] { form.openFile(file); });
    return app.exec();
}

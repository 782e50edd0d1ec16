// Feeds arbitrary bytes to the RTF reader. Input that is not RTF is also
// tried behind an RTF header, so mutations of plain text reach the parser.

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts and image plugins want an application object; no display needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_rtfread";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!rtf::isRtf(bytes))
        bytes = QByteArrayLiteral("{\\rtf1 ") + bytes;
    QTextDocument doc;
    rtf::read(bytes, &doc);
    (void)doc.toPlainText();
    return 0;
}

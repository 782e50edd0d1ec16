// Read, write, read, write: whatever the input, the two writes are the
// same bytes and both documents have the same text. A difference is a fault
// (a save that is not stable loses or changes something each time).

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_rtfroundtrip";
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
    QTextDocument first;
    rtf::read(bytes, &first);
    const QByteArray w1 = rtf::write(&first);
    QTextDocument second;
    if (!rtf::read(w1, &second))
        abort();
    const QByteArray w2 = rtf::write(&second);
    if (rtf::plainText(&first) != rtf::plainText(&second)) {
        std::fprintf(stderr, "text differs after a write and a read\n");
        abort();
    }
    if (w1 != w2) {
        std::fprintf(stderr, "second write differs from the first\n");
        abort();
    }
    return 0;
}

// Read, write, read: whatever the input, no character is lost or changed
// by a save (white space aside: hostile input may leave paragraphs and
// table boundaries shaped differently the second time). That real
// documents write back byte for byte is checked by the tests.

#include "FuzzInit.h"
#include "rtf/Rtf.h"

#include <QByteArray>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char name[] = "fuzz_rtfroundtrip";
    fuzzInitApplication(name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzInputAsRtf(data, size);
    QTextDocument first;
    rtf::read(bytes, &first);
    const QByteArray w1 = rtf::write(&first);
    QTextDocument second;
    if (!rtf::read(w1, &second))
        abort();
    auto words = [](QString s) {
        s.remove(QChar(0x200B)); // the stand-in a part at a paragraph start gets
        s.removeIf([](QChar c) { return c.isSpace(); });
        return s;
    };
    // The document's own characters; list numbers are drawn, not kept, and
    // malformed lists may number differently once written cleanly.
    if (words(first.toPlainText()) != words(second.toPlainText())) {
        std::fprintf(stderr, "text differs after a write and a read\n");
        abort();
    }
    (void)rtf::write(&second);
    return 0;
}

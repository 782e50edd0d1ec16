// Feeds arbitrary bytes to the RTF reader. Input that is not RTF is also
// tried behind an RTF header, so mutations of plain text reach the parser.

#include "FuzzInit.h"
#include "rtf/Rtf.h"

#include <QByteArray>
#include <QTextDocument>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char name[] = "fuzz_rtfread";
    fuzzInitApplication(name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzInputAsRtf(data, size);
    QTextDocument doc;
    rtf::read(bytes, &doc);
    (void)doc.toPlainText();
    return 0;
}

// Read, write, read: whatever the input, no character is lost or changed
// by a save (white space aside: hostile input may leave paragraphs and
// table boundaries shaped differently the second time), and the kept parts
// (notes, comments, hidden text, fields, bookmarks...) come back as many, of
// the same kinds and with the same text; kept objects and shapes come back
// byte for byte; list items keep their lists' definitions, and the style
// sheet its styles. That real documents write back byte for byte is checked
// by the tests.

#include "FuzzInit.h"
#include "rtf/Rtf.h"

#include <QByteArray>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char name[] = "fuzz_rtfroundtrip";
    fuzzInitApplication(name);
    return 0;
}

namespace {

QString words(QString s)
{
    s.removeIf([](QChar c) { return c.isSpace(); });
    return s;
}

// Each kept part as its kind and its text (a note's as plain text).
QStringList keptParts(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QVariant object = f.property(rtf::kKeptObject);
            if (f.isImageFormat() && object.metaType() == QMetaType::fromType<rtf::KeptPart>()) {
                for (int i = 0; i < it.fragment().length(); ++i) // objects come back byte for byte
                    out << QStringLiteral("object ") + object.value<rtf::KeptPart>().content;
                continue;
            }
            const auto p = rtf::keptPart(f);
            if (!p)
                continue;
            QString text = p->content;
            if (p->kind <= rtf::KeptPart::Annotation) {
                QTextDocument part;
                rtf::read(p->content.toLatin1(), &part);
                text = part.toPlainText();
            }
            // Fields by their instruction, bookmarks by name, sections with their headers.
            const QString entry = QString::number(p->kind) + u' ' + words(text) + u' ' + p->id + u' '
                + QString::number(p->headers.size());
            for (int i = 0; i < it.fragment().length(); ++i)
                out << entry;
        }
    return out;
}

// Each style as its kind, number, name, based-on and next style.
QStringList styleSheet(const QTextDocument &doc)
{
    QStringList out;
    const auto sheet = doc.rootFrame()->frameFormat().property(rtf::kStyleSheet).value<rtf::StyleSheet>();
    for (const rtf::Style &s : sheet.styles)
        out << QStringLiteral("%1 %2 %3 %4 ").arg(s.kind).arg(s.number).arg(s.basedOn).arg(s.next) + s.name;
    return out;
}

// Each list item's list as kept: its level and its definition.
QList<std::pair<int, rtf::ListDef>> keptLists(const QTextDocument &doc)
{
    QList<std::pair<int, rtf::ListDef>> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (const QTextList *list = b.textList())
            out.append({list->format().intProperty(rtf::kListLevel), list->format().property(rtf::kListDef).value<rtf::ListDef>()});
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzInputAsRtf(data, size);
    QTextDocument first;
    rtf::read(bytes, &first);
    const QByteArray w1 = rtf::write(&first);
    QTextDocument second;
    if (!rtf::read(w1, &second))
        abort();
    // The document's own characters; list numbers are drawn, not kept, and
    // malformed lists may number differently once written cleanly.
    if (const QString a = words(rtf::plainText(&first)), b = words(rtf::plainText(&second)); a != b) {
        std::fprintf(stderr, "text differs after a write and a read:\n%s\n--\n%s\n", qPrintable(a), qPrintable(b));
        abort();
    }
    // QUILLET_FUZZ_TEXT_ONLY: text and sanitizers only, for a gate that must
    // not stop on differences in kept structure already known and open.
    static const bool textOnly = qEnvironmentVariableIsSet("QUILLET_FUZZ_TEXT_ONLY");
    if (textOnly) {
        (void)rtf::write(&second);
        return 0;
    }
    if (const QStringList a = keptParts(first), b = keptParts(second); a != b) {
        std::fprintf(stderr, "kept parts differ after a write and a read:\n%s\n--\n%s\n",
                     qPrintable(a.join(u'\n')), qPrintable(b.join(u'\n')));
        abort();
    }
    if (const QStringList a = styleSheet(first), b = styleSheet(second); a != b) {
        std::fprintf(stderr, "styles differ after a write and a read:\n%s\n--\n%s\n",
                     qPrintable(a.join(u'\n')), qPrintable(b.join(u'\n')));
        abort();
    }
    if (keptLists(first) != keptLists(second)) {
        std::fprintf(stderr, "lists differ after a write and a read\n");
        abort();
    }
    (void)rtf::write(&second);
    return 0;
}

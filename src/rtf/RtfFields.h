#pragma once
// What the reader and the writer share about fields, bookmarks and the
// other marks kept as anchors (see KeptPart in Rtf.h).

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QHash>

#include <optional>
#include <vector>

class QTextDocument;
class QTextFragment;

namespace rtf {
struct Codepage;
}

namespace rtf::detail {

// \chpgn, \chdate, ... by the number their keyword carries.
extern const char *const kSpecialWords[7];
bool isSpecialWord(const QString &word);

// Parts written without the look around them: breaks, sections, field
// marks, bookmarks and table of contents entries.
bool looklessPart(KeptPart::Kind kind);
bool isFieldMark(KeptPart::Kind kind);

// True when every group that opens in rtf closes in it, and no more close
// (\bin data aside).
bool balancedRtf(QByteArrayView rtf);

// Plain text as RTF text: \ { } escaped, all else beyond ASCII as \uN?.
QByteArray escapedRtf(QStringView text);

// RTF as read, made fit for a file whose header says Windows-1252: bytes
// of another page (page: the one in use where it starts) become \uN?;
// \bin data stays as it is.
QByteArray portableRtf(QByteArrayView rtf, const Codepage *page);

// How many bytes of data a \bin with this parameter (as written, maybe
// empty) stands for.
qsizetype binCount(QByteArrayView param);

// What a field's group holds before its result, after its '{': \field,
// its flags, the instruction and the start of \fldrslt.
QByteArray fieldOpening(const KeptPart &start);

// Which field marks of a document the writer writes as a field: a start
// and the next end with its pair number, nested properly. A mark whose
// partner is gone (or whose instruction is broken) is written as nothing:
// the result between them stays as plain text and no group is left open.
class FieldMarks {
public:
    explicit FieldMarks(const QTextDocument *doc);
    // The positions of the marks of a fragment (in a block starting at
    // blockPosition) that are written; spanEnded is set when an end closes
    // a field that started in an earlier paragraph.
    std::vector<int> written(const QTextFragment &fragment, int blockPosition, bool *spanEnded) const;
    // Where a written mark's partner is; -1 for a mark not written.
    int partner(int at) const { return m_partner.value(at, -1); }
    // The field is closed before its end (at the end of a table cell, or
    // before a table its result goes into): its end is written as nothing.
    void cut(int start);

private:
    QHash<int, int> m_partner; // position of a written mark -> its partner's
};

} // namespace rtf::detail

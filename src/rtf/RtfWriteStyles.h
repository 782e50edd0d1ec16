#pragma once
// The writer's side of the style sheet (see Style in Rtf.h): the
// {\stylesheet} group, and the words a paragraph or run needs after its
// style reference so that what it has, not what its style says, is read.

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QHash>
#include <QTextFormat>

#include <functional>

class QTextDocument;

namespace rtf::styles {

// The writer's numbering of faces and colours, and its paragraph words.
struct WriteHooks {
    std::function<int(const QColor &)> color;
    std::function<QByteArray(const QTextBlockFormat &)> paragraph; // without \pard
    std::function<QByteArray(const QString &)> text;               // a name, escaped
};

class StyleIndex {
public:
    explicit StyleIndex(const QTextDocument *doc);
    const Style *paragraph(int number) const { return find(Style::Paragraph, number); }
    const Style *character(int number) const { return find(Style::Character, number); }
    // A block's paragraph style when it gives runs a look: under \plain
    // readers still show it, so runs take back what they do not have.
    const Style *withLook(const QTextBlockFormat &bf) const;
    // The {\stylesheet ...} group; empty when the document has none.
    QByteArray sheet(const WriteHooks &hooks) const;

private:
    const Style *find(Style::Kind kind, int number) const;
    StyleSheet m_sheet;
    bool m_any = false;
    QHash<int, int> m_index[2]; // paragraph and character styles: number -> into m_sheet
};

// After a paragraph's own words: its outline level, and each property its
// style sets that the paragraph does not have (\sb0, \qj...: \ql).
QByteArray paragraphWords(const Style *style, const QTextBlockFormat &bf);
QByteArray paragraphTakeBacks(const Style *style, const QTextBlockFormat &bf); // the latter only

// After a run's own words: each character property its style sets that
// the run does not have (\b0, \cf0...).
QByteArray characterTakeBacks(const Style *style, const QTextCharFormat &cf);

} // namespace rtf::styles

// The writer's fields: which field marks pair up, and the groups they open
// and close. Also what the reader shares with it about kept marks.

#include "rtf/RtfFields.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

namespace rtf::detail {

const char *const kSpecialWords[7] = {"chpgn", "chdate", "chdpl", "chdpa", "chtime", "chftnsep", "chftnsepc"};

bool isSpecialWord(const QString &word)
{
    for (const char *w : kSpecialWords)
        if (word == QLatin1String(w))
            return true;
    return false;
}

bool looklessPart(KeptPart::Kind kind)
{
    switch (kind) {
    case KeptPart::PageBreak:
    case KeptPart::Section:
    case KeptPart::ColumnBreak:
    case KeptPart::FieldStart:
    case KeptPart::FieldEnd:
    case KeptPart::BookmarkStart:
    case KeptPart::BookmarkEnd:
    case KeptPart::TocEntry: return true;
    default: return false;
    }
}

bool isFieldMark(KeptPart::Kind kind)
{
    return kind == KeptPart::FieldStart || kind == KeptPart::FieldEnd;
}

qsizetype binCount(QByteArrayView param)
{
    if (param.isEmpty() || param.front() == '-')
        return 0;
    qint64 n = 0;
    for (char c : param) {
        if (c < '0' || c > '9')
            break;
        n = std::min<qint64>(n * 10 + (c - '0'), INT_MAX);
    }
    return qsizetype(n);
}

bool balancedRtf(QByteArrayView rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\' && rtf.sliced(i).startsWith("\\bin")) {
            qsizetype j = i + 4;
            while (j < rtf.size() && std::isdigit(uchar(rtf[j])))
                ++j;
            const qsizetype size = binCount(rtf.sliced(i + 4, j - i - 4));
            if (j < rtf.size() && rtf[j] == ' ')
                ++j;
            i = j + size - 1; // the data is no group
        } else if (c == '\\')
            ++i; // \{ \} \\ are text
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

QByteArray fieldOpening(const KeptPart &p)
{
    QByteArray out = "\\field";
    static const std::pair<quint8, const char *> flags[] = {
        {KeptPart::FldEdit, "\\fldedit"}, {KeptPart::FldLock, "\\fldlock"},
        {KeptPart::FldDirty, "\\flddirty"}, {KeptPart::FldPriv, "\\fldpriv"}};
    for (const auto &[bit, word] : flags)
        if (p.fieldFlags & bit)
            out += word;
    out += "{\\*\\fldinst ";
    out += p.content.toLatin1();
    out += "}{\\fldrslt ";
    return out;
}

FieldMarks::FieldMarks(const QTextDocument *doc)
{
    struct Open {
        quint32 pair;
        int position;
    };
    std::vector<Open> open;
    QHash<quint32, int> opened; // pair -> how many are open
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            if (f.objectType() != kKeptPartObject)
                continue;
            const std::optional<KeptPart> p = keptPart(f);
            if (!p || !isFieldMark(p->kind))
                continue;
            const bool start = p->kind == KeptPart::FieldStart;
            if (start && !balancedRtf(p->content.toLatin1()))
                continue;
            const QString text = frag.text();
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text.at(i) != QChar::ObjectReplacementCharacter)
                    continue;
                const int at = frag.position() + int(i);
                if (start) {
                    open.push_back({p->pair, at});
                    ++opened[p->pair];
                    continue;
                }
                if (!opened.value(p->pair))
                    continue; // its start is gone
                // Starts opened after this end's own lost their ends.
                for (;;) {
                    const Open o = open.back();
                    open.pop_back();
                    if (--opened[o.pair] == 0)
                        opened.remove(o.pair);
                    if (o.pair == p->pair) {
                        m_partner.insert(o.position, at);
                        m_partner.insert(at, o.position);
                        break;
                    }
                }
            }
        }
    }
}

std::vector<int> FieldMarks::written(const QTextFragment &fragment, int blockPosition, bool *spanEnded) const
{
    std::vector<int> out;
    const QString text = fragment.text();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QChar::ObjectReplacementCharacter)
            continue;
        const int at = fragment.position() + int(i);
        const auto partner = m_partner.constFind(at);
        if (partner == m_partner.constEnd())
            continue;
        out.push_back(at);
        if (*partner < blockPosition) // only an end's partner comes before its block
            *spanEnded = true;
    }
    return out;
}

void FieldMarks::cut(int start)
{
    const auto end = m_partner.constFind(start);
    if (end == m_partner.constEnd())
        return;
    m_partner.remove(*end);
    m_partner.remove(start);
}

} // namespace rtf::detail

// The RTF reader's fields: a HYPERLINK field's result becomes a link.

#include "rtf/RtfReaderImpl.h"

namespace rtf::detail {

QString hyperlinkTarget(const QString &inst)
{
    // HYPERLINK "url" [\l "anchor"] [\o "tip"] ...; the url may be unquoted.
    QStringList args;
    qsizetype i = 0;
    const qsizetype n = inst.size();
    while (i < n) {
        while (i < n && inst.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        QString arg;
        if (inst.at(i) == u'"') {
            ++i;
            while (i < n && inst.at(i) != u'"')
                arg.append(inst.at(i++));
            ++i;
        } else {
            while (i < n && !inst.at(i).isSpace())
                arg.append(inst.at(i++));
        }
        args.append(arg);
    }
    if (args.isEmpty() || args.first().compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return {};
    QString url, anchor;
    for (qsizetype k = 1; k < args.size(); ++k) {
        const QString &a = args.at(k);
        if (a.startsWith(u'\\')) {
            const QString sw = a.toLower();
            if (sw == u"\\l" && k + 1 < args.size())
                anchor = args.at(++k);
            else if ((sw == u"\\o" || sw == u"\\t") && k + 1 < args.size())
                ++k; // tooltip and target frame: not kept
            continue;
        }
        if (url.isEmpty())
            url = a;
    }
    if (!anchor.isEmpty())
        url += u'#' + anchor;
    return url;
}

void Reader::startField()
{
    if (m_st.dest != Dest::Text && m_st.dest != Dest::FieldInst)
        return skipDestination();
    m_field.fields.push_back({m_stack.size(), {}});
}

void Reader::startFieldInstruction()
{
    if (m_field.fields.empty() || m_st.dest != Dest::Text)
        return skipDestination();
    m_st.dest = Dest::FieldInst;
}

void Reader::startFieldResult()
{
    if (m_st.dest != Dest::Text || m_field.fields.empty())
        return;
    FieldCtx &field = m_field.fields.back();
    if (field.link < 0) {
        // Once per field: a result may come in many pieces, and each piece
        // must not copy the target again.
        field.inst.flush();
        const QString href = hyperlinkTarget(field.inst.toString().trimmed());
        field.inst.clear();
        field.link = 0;
        if (!href.isEmpty()) {
            m_field.links.append(href);
            field.link = int(m_field.links.size());
        }
    }
    if (field.link > 0)
        m_st.ch.link = field.link;
}

} // namespace rtf::detail

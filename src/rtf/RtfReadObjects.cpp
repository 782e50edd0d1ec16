// The RTF reader's objects (\object), shapes (\shp, \shpgrp) and drawing
// objects (\do): each group is kept whole as read (kKeptObject) and shown
// as one picture: its result or fallback picture, else a box of its size
// with its text, if it has any.

#include "rtf/RtfReaderImpl.h"

#include <QTextBlock>

namespace rtf::detail {
namespace {

// Sub-reads of an object's text may meet objects in turn: this deep, the
// inner ones are plain boxes.
constexpr int kMaxObjectNesting = 2;
thread_local int t_objectNesting = 0;

constexpr double kMaxShown = 22 * 96; // pixels: 22 inches, as Word allows

// What an object's group says about itself, found in one pass.
struct ObjectScan {
    QHash<QByteArray, int> values;          // the first value of each word asked for
    QHash<QByteArray, QByteArray> groups;   // the first group of each name asked for, braces and all
};

ObjectScan scanObject(const QByteArray &raw, std::initializer_list<const char *> values,
                      std::initializer_list<const char *> groups)
{
    ObjectScan scan;
    Tokenizer tok(raw.constData(), raw.constData() + raw.size());
    std::vector<const char *> opens; // where each open group starts
    // Groups being taken: the depth each ends at, and its name.
    std::vector<std::pair<size_t, QByteArray>> taking;
    bool first = false;              // the next word is its group's first
    for (;;) {
        const Token t = tok.next();
        switch (t.type) {
        case Token::End: return scan;
        case Token::Open:
            opens.push_back(tok.position() - 1);
            first = true;
            break;
        case Token::Close:
            if (!taking.empty() && taking.back().first == opens.size()) {
                const char *start = opens.back();
                scan.groups.insert(taking.back().second, QByteArray(start, tok.position() - start));
                taking.pop_back();
            }
            if (!opens.empty())
                opens.pop_back();
            first = false;
            break;
        case Token::Symbol:
            if (t.symbol != '*')
                first = false;
            break;
        case Token::Word: {
            if (t.text == "bin" && t.hasParam)
                tok.takeBytes(t.param);
            const QByteArray name(t.text.data(), qsizetype(t.text.size()));
            if (t.hasParam && !scan.values.contains(name))
                for (const char *v : values)
                    if (name == v)
                        scan.values.insert(name, t.param);
            if (first && !opens.empty() && !scan.groups.contains(name))
                for (const char *g : groups)
                    if (name == g && std::none_of(taking.begin(), taking.end(), [&](const auto &e) { return e.second == name; }))
                        taking.emplace_back(opens.size(), name);
            first = false;
            break;
        }
        default: first = false; break;
        }
    }
}

QString xmlEscaped(QString s)
{
    s.replace(u'&', QLatin1String("&amp;"));
    s.replace(u'<', QLatin1String("&lt;"));
    s.replace(u'>', QLatin1String("&gt;"));
    return s;
}

// A box of the given size (pixels) with as much of the text as fits.
QByteArray boxSvg(double w, double h, const QString &text)
{
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">"
                                 "<rect x=\"0.5\" y=\"0.5\" width=\"%3\" height=\"%4\" fill=\"white\" stroke=\"gray\"/>")
                      .arg(w).arg(h).arg(std::max(0.0, w - 1)).arg(std::max(0.0, h - 1));
    const int columns = std::max(0, int((w - 8) / 6));
    const int rows = std::max(0, int((h - 4) / 14));
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (int i = 0; i < rows && i < lines.size(); ++i)
        svg += QStringLiteral("<text x=\"4\" y=\"%1\" font-family=\"sans-serif\" font-size=\"11\">%2</text>")
                   .arg(14 * (i + 1))
                   .arg(xmlEscaped(lines[i].left(columns)));
    svg += QLatin1String("</svg>");
    return svg.toUtf8();
}

// True when the bytes from an open brace to here are only that brace, an
// optional \* and one control word: the group is the object's own.
bool opensGroup(const char *open, const char *here)
{
    if (!open || open >= here || *open != '{')
        return false;
    std::string_view s(open + 1, size_t(here - open - 1));
    auto blanks = [&s] {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\n'))
            s.remove_prefix(1);
    };
    blanks();
    if (s.starts_with("\\*")) {
        s.remove_prefix(2);
        blanks();
    }
    if (!s.starts_with('\\'))
        return false;
    s.remove_prefix(1);
    while (!s.empty() && ((s.front() >= 'a' && s.front() <= 'z') || s.front() == '-' || (s.front() >= '0' && s.front() <= '9')))
        s.remove_prefix(1);
    return s.empty() || s == " ";
}

} // namespace

void Reader::startObject(char16_t kind)
{
    if (m_picture.active || !opensGroup(m_groupOpen, m_tok.position()))
        return skipDestination();
    const char *begin = m_groupOpen;
    m_st.dest = Dest::Skipped;
    skipGroup();
    if (m_done) // cut off: nothing whole to keep
        return;
    const QByteArray raw(begin, m_tok.position() - begin);
    closeGroup();
    if (m_st.hidden)
        return;

    // Its size in twips, as each kind gives it.
    const ObjectScan scan = scanObject(raw,
        {"objw", "objh", "objscalex", "objscaley", "shpleft", "shpright", "shptop", "shpbottom", "dpxsize", "dpysize"},
        {"pict", "result", "shptxt", "shprslt", "dptxbxtext"});
    const auto v = [&](const char *name) { return scan.values.value(name); };
    double w = 0, h = 0;
    if (kind == u'o') {
        // In double: hostile words overflow an int product.
        w = double(v("objw")) * (scan.values.contains("objscalex") ? v("objscalex") : 100) / 100.0;
        h = double(v("objh")) * (scan.values.contains("objscaley") ? v("objscaley") : 100) / 100.0;
    } else if (kind == u's') {
        w = double(v("shpright")) - v("shpleft");
        h = double(v("shpbottom")) - v("shptop");
    } else {
        w = v("dpxsize");
        h = v("dpysize");
    }
    w /= 15;
    h /= 15;

    // The picture it shows (its result, its shape's picture or fallback),
    // else its text, read on their own.
    QByteArray data;
    QString text;
    const QByteArray head = "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(m_ansi) + ' ';
    if (scan.groups.contains("pict")) {
        QTextDocument shown;
        rtf::read(head + scan.groups.value("pict") + '}', &shown);
        for (QTextBlock b = shown.begin(); b.isValid() && data.isEmpty(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                    data = shown.resource(QTextDocument::ImageResource, QUrl(f.name())).toByteArray();
                    if (w <= 0 || h <= 0) {
                        w = f.width();
                        h = f.height();
                    }
                    break;
                }
    }
    if (data.isEmpty()) {
        const QByteArray textGroup = scan.groups.value(kind == u'o' ? "result" : kind == u's' ? "shptxt" : "dptxbxtext");
        if (!textGroup.isEmpty() && t_objectNesting < kMaxObjectNesting) {
            ++t_objectNesting;
            QTextDocument shown;
            rtf::read(head + textGroup + '}', &shown);
            --t_objectNesting;
            text = rtf::plainText(&shown).remove(QChar::ObjectReplacementCharacter).trimmed();
        }
    }
    if (w <= 0 || h <= 0)
        w = h = 96; // no size anywhere: an inch
    w = std::clamp(w, 1.0, kMaxShown);
    h = std::clamp(h, 1.0, kMaxShown);
    if (data.isEmpty())
        data = boxSvg(w, h, text);

    KeptPart part;
    part.kind = KeptPart::Object;
    part.content = QString::fromLatin1(raw);
    QTextImageFormat f;
    f.setWidth(w);
    f.setHeight(h);
    f.setProperty(kKeptObject, QVariant::fromValue(part));
    insertPicture(data, f);
}

} // namespace rtf::detail

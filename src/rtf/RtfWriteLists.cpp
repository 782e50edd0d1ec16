#include "rtf/RtfWriteLists.h"
#include "rtf/RtfLists.h"
#include "rtf/RtfUnits.h"

#include <QTextList>

namespace rtf::detail {

namespace {

const char kHex[] = "0123456789abcdef";

void hexByte(QByteArray &out, uint b)
{
    out += "\\'";
    out += kHex[(b >> 4) & 15];
    out += kHex[b & 15];
}

// Text inside list words: bytes as \'hh, the rest as \uN.
QByteArray escaped(const QString &text)
{
    QByteArray out;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == u';' || (c >= 0xA0 && c <= 0xFF)) {
            hexByte(out, c);
        } else if (const uint b = windows1252HighByte(c)) { // a symbol font's byte stays that byte
            hexByte(out, b);
        } else if (c < 0x80) {
            out += char(c);
        } else {
            out += "\\u" + QByteArray::number(qint16(c)) + '?';
        }
    }
    return out;
}

QByteArray num(int v) { return QByteArray::number(v); }

// A level with the look a QTextListFormat gives it.
ListLevelDef levelFromFormat(const QTextListFormat &f, ListLevelDef level, int index)
{
    switch (f.style()) {
    case QTextListFormat::ListDecimal: level.nfc = 0; break;
    case QTextListFormat::ListUpperRoman: level.nfc = 1; break;
    case QTextListFormat::ListLowerRoman: level.nfc = 2; break;
    case QTextListFormat::ListUpperAlpha: level.nfc = 3; break;
    case QTextListFormat::ListLowerAlpha: level.nfc = 4; break;
    default: level.nfc = 23; break;
    }
    if (level.nfc == 23) {
        QString bullet = f.stringProperty(kListBullet);
        if (!f.hasProperty(kListBullet) || bullet.isEmpty())
            bullet = f.style() == QTextListFormat::ListCircle   ? QString(QChar(0x25E6))
                   : f.style() == QTextListFormat::ListSquare ? QString(QChar(0x25AA))
                                                                : QString(QChar(0x2022));
        bullet.truncate(1);
        level.text = QChar(char16_t(1)) + bullet;
        level.face.clear(); // the bullet is Unicode now
        level.picture.clear();
    } else {
        const QString prefix = f.numberPrefix().left(20), suffix = f.numberSuffix().left(20);
        level.text = QChar(char16_t(prefix.size() + 1 + suffix.size())) + prefix + QChar(char16_t(index)) + suffix;
    }
    level.start = f.hasProperty(kListStart) ? f.intProperty(kListStart) : 1;
    level.legal = false; // the numbers are Qt's now
    return level;
}

} // namespace

ListTableWriter::Place ListTableWriter::place(const QTextList *list)
{
    auto it = m_places.constFind(list);
    if (it != m_places.constEnd())
        return it->place;
    const QTextListFormat f = list->format();
    Place p;
    const ListDef read = f.property(kListDef).value<ListDef>();
    if (!read.levels.isEmpty()) {
        const int key = f.intProperty(kListOverride);
        const int level = std::clamp<int>(f.intProperty(kListLevel), 0, int(read.levels.size()) - 1);
        int group = -1;
        std::vector<int> &same = m_byKey[key];
        for (int g : same)
            if (m_groups[size_t(g)].read == read)
                group = g;
        if (group < 0) {
            group = int(m_groups.size());
            m_groups.push_back({read, read});
            same.push_back(group);
        }
        ListLevelDef &written = m_groups[size_t(group)].def.levels[level];
        if (levelStyle(written) != f.style()) // the user gave it another look
            written = levelFromFormat(f, written, level);
        p = {group + 1, level};
    } else {
        ListLevelDef level;
        level.fi = f.hasProperty(kListFirstIndent) ? f.intProperty(kListFirstIndent) : -kListHangTwips;
        level.li = qMax(0, -level.fi);
        level.words = "\\leveljc0";
        ListDef def;
        def.words = "\\listsimple1";
        def.levels = {levelFromFormat(f, level, 0)};
        m_groups.push_back({def, def});
        p = {int(m_groups.size()), 0};
    }
    m_places.insert(list, {p, list->document()});
    return p;
}

void ListTableWriter::forget(const QTextDocument *doc)
{
    m_places.removeIf([doc](const auto &entry) { return entry.value().doc == doc; });
}

bool ListTableWriter::isLegacy(const QTextList *list)
{
    return m_groups[size_t(place(list).ls - 1)].def.legacy;
}

QByteArray ListTableWriter::legacyWords(const QTextList *list, const FontIndex &fontIndex)
{
    const Place p = place(list);
    const ListDef &def = m_groups[size_t(p.ls - 1)].def;
    if (!def.legacy)
        return {};
    const ListLevelDef &l = def.levels[p.level];
    static const char *const numberWords[] = {"\\pndec", "\\pnucrm", "\\pnlcrm", "\\pnucltr", "\\pnlcltr"};
    QByteArray out = l.nfc == 23 ? "{\\*\\pn\\pnlvlblt" : "{\\*\\pn\\pnlvlbody";
    if (l.nfc != 23)
        out += numberWords[l.nfc >= 0 && l.nfc < 5 ? l.nfc : 0];
    out += "\\pnstart" + num(l.start) + "\\pnindent" + num(qMax(0, -l.fi));
    if (l.fi < 0)
        out += "\\pnhang";
    if (!l.face.isEmpty())
        out += "\\pnf" + num(fontIndex(l.face));
    const QString &t = l.text;
    const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
    qsizetype number = t.left(len + 1).lastIndexOf(QChar(char16_t(p.level)));
    if (number < 1) // not the length in front
        number = -1;
    const QString before = number < 0 ? t.mid(1, len) : t.mid(1, number - 1);
    const QString after = number < 0 ? QString() : t.mid(number + 1, len - number);
    if (!before.isEmpty())
        out += "{\\pntxtb " + escaped(before) + '}';
    if (!after.isEmpty() && l.nfc != 23)
        out += "{\\pntxta " + escaped(after) + '}';
    return out + '}';
}

QByteArray ListTableWriter::tables(const FontIndex &fontIndex, const ColorIndex &colorIndex) const
{
    QByteArray out = "{\\*\\listtable";
    // Picture bullets' pictures, each once, in the order levels name them.
    QHash<QByteArray, int> pictures;
    QByteArray pictureGroup;
    for (const Group &g : m_groups)
        for (const ListLevelDef &l : g.def.levels)
            if (!l.picture.isEmpty() && !pictures.contains(l.picture)) {
                pictures.insert(l.picture, int(pictures.size()));
                pictureGroup += l.picture;
            }
    if (!pictures.isEmpty())
        out += "\r\n{\\*\\listpicture" + pictureGroup + '}';
    for (size_t i = 0; i < m_groups.size(); ++i) {
        const ListDef &def = m_groups[i].def;
        out += "\r\n{\\list" + def.words;
        for (const ListLevelDef &l : def.levels) {
            out += "\r\n{\\listlevel\\levelnfc" + num(l.nfc) + "\\levelnfcn" + num(l.nfc) + "\\levelstartat" + num(l.start)
                + "\\levelfollow" + num(l.follow);
            if (l.legal)
                out += "\\levellegal1";
            if (l.noRestart)
                out += "\\levelnorestart1";
            out += l.words;
            if (!l.picture.isEmpty())
                out += "\\levelpicture" + num(pictures.value(l.picture));
            out += "{\\leveltext";
            const QString &t = l.text;
            const qsizetype len = t.isEmpty() ? 0 : std::min<qsizetype>(t.at(0).unicode(), t.size() - 1);
            hexByte(out, uint(len));
            out += escaped(t.mid(1, len)) + ";}{\\levelnumbers";
            for (qsizetype c = 1; c <= len; ++c)
                if (t.at(c).unicode() < 9 && l.nfc != 23)
                    hexByte(out, uint(c));
            out += ";}";
            if (!l.face.isEmpty())
                out += "\\f" + num(fontIndex(l.face));
            appendWords(out, l.look, colorIndex);
            out += "\\fi" + num(l.fi) + "\\li" + num(l.li);
            if (l.tab >= 0)
                out += "\\jclisttab\\tx" + num(l.tab);
            out += '}';
        }
        out += "{\\listname ;}\\listid" + num(int(i) + 1) + '}';
    }
    out += "}\r\n{\\*\\listoverridetable";
    for (size_t i = 0; i < m_groups.size(); ++i) {
        const QList<int> &start = m_groups[i].def.overrideStart;
        qsizetype count = start.size();
        while (count > 0 && start[count - 1] < 0)
            --count;
        out += "{\\listoverride\\listid" + num(int(i) + 1) + "\\listoverridecount" + num(int(count));
        for (qsizetype l = 0; l < count; ++l)
            out += start[l] < 0 ? QByteArray("{\\lfolevel}") : "{\\lfolevel\\listoverridestartat\\levelstartat" + num(start[l]) + '}';
        out += "\\ls" + num(int(i) + 1) + '}';
    }
    return out + "}\r\n";
}

} // namespace rtf::detail

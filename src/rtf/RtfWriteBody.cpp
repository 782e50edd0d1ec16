// The body: paragraphs and their runs, links, and the parts the editor
// keeps but does not show (notes, comments, hidden text, sections).

#include "rtf/RtfProps.h"
#include "rtf/RtfUnits.h"
#include "rtf/RtfWriterImpl.h"

#include <QTextBlock>
#include <QTextList>
#include <QTextTable>

#include <cstring>

namespace rtf::writer {

namespace {

// Tables inside tables deeper than this are written as plain paragraphs.
constexpr int kMaxNesting = 16;

constexpr int kMaxPartNesting = 4;

// A header or footer kept beside the text (see kSectionParts in Rtf.h).
struct StoredPart {
    QString kind, content;
    static StoredPart parse(const QString &entry)
    {
        StoredPart p;
        const qsizetype i = entry.indexOf(u'\x1f');
        const qsizetype j = i < 0 ? -1 : entry.indexOf(u'\x1f', i + 1);
        const qsizetype k = j < 0 ? -1 : entry.indexOf(u'\x1f', j + 1);
        if (k < 0)
            return p;
        p.kind = entry.left(i);
        p.content = entry.mid(k + 1);
        return p;
    }
};

bool isSectionKind(const QString &kind)
{
    static const QStringList kinds{"header", "headerl", "headerr", "headerf",
                                   "footer", "footerl", "footerr", "footerf"};
    return kinds.contains(kind);
}

} // namespace

Writer::Writer(const QTextDocument *doc, Tables &tables, Sink &out, int partDepth)
    : m_doc(doc), m_t(tables), m_o(out), m_partDepth(partDepth)
{
}

void Writer::writeDocument()
{
    writeHeaders(m_doc->rootFrame()->frameFormat().property(kSectionParts).toStringList());
    writeFlow(m_doc->rootFrame(), 0);
    // Every paragraph ends with \par, the last one too: a reader drops
    // nothing after the last mark, so trailing empty paragraphs survive.
    if (m_pendingPar) {
        word("\\par");
        newline();
    }
    const auto settings = m_doc->rootFrame()->frameFormat().property(kDocumentSettings).value<DocumentSettings>();
    if (!settings.latentStyles.isEmpty() && settings.latentStylesLast) {
        raw(settings.latentStyles);
        newline();
    }
}

QString Writer::faceOf(const QTextCharFormat &f) const
{
    const QVariant fams = f.property(QTextFormat::FontFamilies);
    if (fams.isValid()) {
        const QStringList l = fams.toStringList();
        if (!l.isEmpty() && !l.first().isEmpty()) {
            // The document's face, while it is still shown as read.
            const QStringList kept = f.property(kFontFace).toStringList();
            return kept.size() == 2 && kept[1] == l.first() ? kept[0] : l.first();
        }
    }
    const QString fam = f.property(QTextFormat::FontFamily).toString();
    if (!fam.isEmpty())
        return fam;
    return f.boolProperty(kNamelessFace) ? QString() : m_t.defaultFace;
}

int Writer::halfPointsOf(const QTextCharFormat &f) const
{
    double pt = f.fontPointSize();
    if (pt <= 0 && f.hasProperty(QTextFormat::FontPixelSize))
        pt = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (pt <= 0)
        return m_t.defaultHalfPoints;
    return qBound(1, roundToInt(pt, kHalfPointsPerPoint), 32767);
}

QByteArray Writer::prefixOf(const QTextCharFormat &f)
{
    // Made of the output's own words, off any line (the prefix goes on the
    // line it is used on), so numbers come out as everywhere else. Every
    // word below goes into the prefix, none into the body.
    Sink prefix(false);
    const auto word = [&prefix](const char *w, auto... n) { prefix.word(w, n...); };
    prefix.rawWord("\\plain");
    const int cs = f.intProperty(kCharacterStyle);
    if (cs)
        word("\\cs", cs); // first: the run's own words after it win
    word("\\f", fontIndex(faceOf(f)));
    word("\\fs", halfPointsOf(f));
    if (f.fontWeight() >= QFont::Bold)
        word("\\b");
    if (f.fontItalic())
        word("\\i");
    if (const QByteArray kept = detail::keptUnderline(f); !kept.isEmpty())
        prefix.words(kept);
    else switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
    case QTextCharFormat::SpellCheckUnderline: // an editor mark, not formatting
        if (f.fontUnderline())
            word("\\ul");
        break;
    case QTextCharFormat::DashUnderline: word("\\uldash"); break;
    case QTextCharFormat::DotLine: word("\\uld"); break;
    case QTextCharFormat::DashDotLine: word("\\uldashd"); break;
    case QTextCharFormat::DashDotDotLine: word("\\uldashdd"); break;
    case QTextCharFormat::WaveUnderline: word("\\ulwave"); break;
    default: word("\\ul"); break;
    }
    if (f.fontStrikeOut())
        word(detail::keptDoubleStrike(f) ? "\\striked1" : "\\strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        word("\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        word("\\sub");
    if (f.hasProperty(QTextFormat::FontCapitalization)) {
        if (f.fontCapitalization() == QFont::AllUppercase)
            word("\\caps");
        else if (f.fontCapitalization() == QFont::SmallCaps)
            word("\\scaps");
    }
    const QBrush fg = f.foreground();
    if (fg.style() != Qt::NoBrush)
        word("\\cf", colorIndex(fg.color()));
    const QBrush bg = f.background();
    if (bg.style() != Qt::NoBrush) {
        // \highlight for Word and WordPad, \cb for TextEdit and others
        const int ci = colorIndex(bg.color());
        word("\\cb", ci);
        word("\\highlight", ci);
    }
    for (const Style *style : {cs ? m_t.styles.character(cs) : nullptr, m_blockStyle})
        if (const QByteArray back = styles::characterTakeBacks(style, f); !back.isEmpty())
            prefix.words(back);
    QByteArray kept;
    detail::appendCharWords(kept, f, halfPointsOf(f), colorIndexer());
    if (!kept.isEmpty())
        prefix.words(kept);
    return prefix.take();
}

const RunInfo &Writer::runInfo(int formatIndex, const QTextCharFormat &fmt)
{
    if (m_blockStyle) // its take-backs are the paragraph's: not cached
        formatIndex = -1;
    if (formatIndex >= 0 && formatIndex < int(m_runCache.size()) && m_runCache[formatIndex])
        return *m_runCache[formatIndex];
    auto info = std::make_unique<RunInfo>();
    info->prefix = prefixOf(fmt);
    if (fmt.isAnchor()) {
        info->href = fmt.anchorHref();
        KeptLink kept = fmt.property(kKeptLink).value<KeptLink>();
        if (kept.href == info->href && detail::balancedRtf(kept.instruction.toLatin1()))
            info->link = std::move(kept);
    }
    info->image = fmt.isImageFormat();
    info->grouped = fmt.verticalAlignment() == QTextCharFormat::AlignSuperScript;
    info->autoNumber = fmt.stringProperty(kAutoNumber);
    info->part = keptPart(fmt);
    if (formatIndex < 0) { // not expected; no caching then
        m_scratch = std::move(info);
        return *m_scratch;
    }
    if (formatIndex >= int(m_runCache.size()))
        m_runCache.resize(formatIndex + 1);
    m_runCache[formatIndex] = std::move(info);
    return *m_runCache[formatIndex];
}

// ---- links ------------------------------------------------------------

void Writer::openLink(const RunInfo &info)
{
    openGroup();
    m_linkOpen = true;
    m_link = info.href;
    m_linkInstruction = info.link.instruction;
    if (!m_linkInstruction.isEmpty()) { // as read
        KeptPart field;
        field.content = m_linkInstruction;
        field.fieldFlags = info.link.fieldFlags;
        m_o.raw(detail::fieldOpening(field));
        raw("{");
        m_o.forgetLook();
        return;
    }
    QString target = info.href;
    if (target.startsWith(QLatin1Char('#'))) { // a place in this document
        raw("\\field{\\*\\fldinst{HYPERLINK \\\\l \"");
        target.remove(0, 1);
    } else {
        raw("\\field{\\*\\fldinst{HYPERLINK \"");
    }
    target.replace(QLatin1Char('"'), QLatin1String("%22"));
    text(target);
    raw("\"}}{\\fldrslt{");
    m_o.forgetLook();
}

void Writer::closeLink()
{
    if (!m_linkOpen)
        return;
    raw("}}");
    closeGroup(); // the one openLink opened
    m_linkOpen = false;
    m_link.clear();
    m_linkInstruction.clear();
}

// ---- parts the editor does not show -------------------------------------

// Headers and footers kept as "kind\x1f\x1f\x1f<RTF>" (see kSectionParts).
void Writer::writeHeaders(const QStringList &entries)
{
    for (const QString &entry : entries) {
        const StoredPart p = StoredPart::parse(entry);
        if (!isSectionKind(p.kind))
            continue;
        openGroup();
        word(("\\" + p.kind.toLatin1()).constData());
        writeStoredContent(p.content);
        closeGroup();
        newline();
    }
}

// A field's start or end: its groups open and close outside any link (a
// link in its result is a group of its own inside it).
void Writer::writeFieldMarks(const QTextFragment &frag, const KeptPart &part, int blockPosition, int level, bool *spanEnded)
{
    closeLink();
    if (!m_fieldMarks)
        m_fieldMarks.emplace(m_doc);
    for (const int at : m_fieldMarks->written(frag, blockPosition, spanEnded)) {
        if (part.kind == KeptPart::FieldStart) {
            softBreak();
            openGroup();
            m_o.raw(detail::fieldOpening(part));
            m_o.forgetLook();
            m_openFields.push_back({at, level});
        } else {
            raw("}");
            closeGroup();
            const int start = m_fieldMarks->partner(at);
            if (!m_openFields.empty() && m_openFields.back().start == start)
                m_openFields.pop_back(); // fields nest: the innermost ends first
            else
                std::erase_if(m_openFields, [start](const OpenField &f) { return f.start == start; });
        }
    }
}

// A field whose result goes on past the end of its cell, or into a table,
// ends here, so that every group closes where it opened (in its cell, or
// outside the table); the rest of its result is text. The fields cut are
// those started at this level or deeper, or (with from and to) those started
// at a lower level whose end is in that range, a table's.
void Writer::cutFields(int level, int from, int to)
{
    bool earlier = false; // one started in an earlier paragraph
    while (!m_openFields.empty()) {
        const OpenField f = m_openFields.back();
        const int end = m_fieldMarks->partner(f.start);
        if (from >= 0 ? f.level >= level || end < from || end > to : f.level < level)
            break;
        m_openFields.pop_back();
        m_fieldMarks->cut(f.start);
        closeLink();
        raw("}");
        closeGroup();
        earlier = earlier || f.start < m_lastBlock.position();
    }
    // The paragraph's properties again, for the mark that ends it: a
    // group's end restores those in force where it began.
    if (earlier && m_lastBlock.isValid())
        paragraphProperties(paragraphFormat(m_lastBlock), m_lastLevel, m_lastBlock.textList());
}

// One anchor's part, in its own group: the look around it is the same
// after it as before.
void Writer::writeKeptPart(const KeptPart &p, const QByteArray &prefix)
{
    switch (p.kind) {
    case KeptPart::Hidden:
        openGroup();
        applyPrefix(prefix);
        word("\\v");
        text(p.content);
        m_o.closeGroupKeepingLook();
        break;
    case KeptPart::Footnote:
    case KeptPart::Endnote:
        openGroup();
        word("\\footnote");
        if (p.kind == KeptPart::Endnote)
            word("\\ftnalt");
        writeStoredContent(p.content, false);
        m_o.closeGroupKeepingLook();
        break;
    case KeptPart::Annotation:
        raw("{\\*\\atnid ");
        text(p.id);
        raw("}{\\*\\atnauthor ");
        text(p.author);
        raw("}");
        word("\\chatn");
        openGroup();
        rawWord("\\*\\annotation");
        writeStoredContent(p.content, false);
        m_o.closeGroupKeepingLook();
        break;
    case KeptPart::PageBreak: // at a paragraph's start: the reader makes none of its own
        word("\\page");
        break;
    case KeptPart::Section:
        if (p.sectionBreak)
            word("\\sect");
        sectionWords(p.content);
        writeHeaders(p.headers);
        break;
    case KeptPart::ColumnBreak: word("\\column"); break;
    case KeptPart::Special:
        if (detail::isSpecialWord(p.content))
            word(("\\" + p.content.toLatin1()).constData());
        break;
    case KeptPart::BookmarkStart:
    case KeptPart::BookmarkEnd:
        raw(p.kind == KeptPart::BookmarkStart ? "{\\*\\bkmkstart " : "{\\*\\bkmkend ");
        text(p.id);
        raw("}");
        break;
    case KeptPart::TocEntry:
        if (const QByteArray tc = p.content.toLatin1(); detail::balancedRtf(tc)) {
            softBreak();
            m_o.raw(tc);
        }
        break;
    case KeptPart::FieldStart: // see writeFieldMarks
    case KeptPart::FieldEnd: break;
    case KeptPart::Object: // objects are pictures, not anchors; kept all the same
        m_o.raw(p.content.toLatin1());
        break;
    }
}

void Writer::sectionWords(const QString &words)
{
    if (words.isEmpty())
        return;
    m_o.words(words.toLatin1());
}

// The section a block starts after a \sect, if any: its anchor is the
// block's first character.
std::optional<KeptPart> Writer::sectionAt(const QTextBlock &block)
{
    auto it = block.begin();
    if (it.atEnd() || block.document()->characterAt(block.position()) != QChar::ObjectReplacementCharacter)
        return std::nullopt;
    std::optional<KeptPart> p = keptPart(it.fragment().charFormat());
    if (!p || p->kind != KeptPart::Section || !p->sectionBreak)
        return std::nullopt;
    return p;
}

// A part kept as RTF of its own: its paragraphs, written with this
// document's font and colour tables by a writer of its own (format
// indexes, links and the pending \par are the part's; a link around the
// part stays open, untouched, until the part is done). Notes and comments
// end without a last \par, as word processors write them: after one they
// show an empty paragraph. An empty last paragraph needs it all the same.
void Writer::writeStoredContent(const QString &content, bool finalPar)
{
    QTextDocument part;
    if (m_partDepth >= kMaxPartNesting || !rtf::read(content.toLatin1(), &part))
        return;
    m_o.forgetLook();
    Writer inner(&part, m_t, m_o, m_partDepth + 1);
    inner.writeFlow(part.rootFrame(), 0);
    m_t.lists.forget(&part);
    if (inner.m_pendingPar && (finalPar || part.lastBlock().length() == 1))
        word("\\par");
    m_o.forgetLook();
}

// level: 0 outside tables, 1 in a table, 2 and up in nested tables
void Writer::paragraphProperties(const QTextBlockFormat &bf, int level, const QTextList *list)
{
    word("\\pard");
    const int style = bf.intProperty(kParagraphStyle);
    if (style)
        word("\\s", style); // first: the paragraph's own words after it win
    if (level > 0)
        word("\\intbl");
    if (level > 1)
        word("\\itap", level);
    if (bf.layoutDirection() == Qt::RightToLeft)
        word("\\rtlpar");
    const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        word("\\qj");
    else if (a & Qt::AlignHCenter)
        word("\\qc");
    else if (a & (Qt::AlignRight | Qt::AlignTrailing))
        word("\\qr");
    // left is what \pard sets

    double left = bf.leftMargin();
    if (bf.indent() > 0)
        left += bf.indent() * m_doc->indentWidth();
    int fi = pixelsToTwips(bf.textIndent());
    if (list) {
        // The marker hangs in the first line's indent.
        const QTextListFormat lf = list->format();
        left += qMax(0, lf.indent()) * m_doc->indentWidth();
        fi += lf.hasProperty(kListFirstIndent) ? lf.intProperty(kListFirstIndent) : -kListHangTwips;
        const detail::ListTableWriter::Place place = m_t.lists.place(list);
        // An old list's words for old readers; LibreOffice takes them as a
        // list of their own unless \ls comes after them.
        m_o.raw(m_t.lists.legacyWords(list, [this](const QString &face) { return fontIndex(face); }));
        word("\\ls", place.ls);
        word("\\ilvl", place.level);
    }
    if (const int v = pixelsToTwips(left))
        word("\\li", v);
    if (const int v = pixelsToTwips(bf.rightMargin()))
        word("\\ri", v);
    if (fi)
        word("\\fi", fi);
    if (const int v = pixelsToTwips(bf.topMargin()))
        word("\\sb", v);
    if (const int v = pixelsToTwips(bf.bottomMargin()))
        word("\\sa", v);
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (bf.lineHeight() > 0 && qRound(bf.lineHeight()) != 100) {
            word("\\sl", qBound(1, roundToInt(bf.lineHeight() * kTwipsSingleLine / 100.0), 31680));
            word("\\slmult", 1);
        }
        break;
    case QTextBlockFormat::FixedHeight:
        if (const int v = qBound(0, pixelsToTwips(bf.lineHeight()), 31680)) {
            word("\\sl", -v);
            word("\\slmult", 0);
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        if (const int v = qBound(0, pixelsToTwips(bf.lineHeight()), 31680)) {
            word("\\sl", v);
            word("\\slmult", 0);
        }
        break;
    default: break;
    }
    const QList<QTextOption::Tab> tabs = bf.tabPositions();
    const QString leaders = bf.stringProperty(kTabLeaders);
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        static const char *const leaderWords[] = {nullptr, "\\tldot", "\\tlhyph", "\\tlul", "\\tlth", "\\tleq"};
        const char *hit = i < leaders.size() ? std::strchr(kTabLeaderChars, leaders.at(i).toLatin1()) : nullptr;
        if (hit && *hit && leaderWords[hit - kTabLeaderChars])
            word(leaderWords[hit - kTabLeaderChars]);
        switch (tabs[i].type) {
        case QTextOption::RightTab: word("\\tqr"); break;
        case QTextOption::CenterTab: word("\\tqc"); break;
        case QTextOption::DelimiterTab: word("\\tqdec"); break;
        default: break;
        }
        word("\\tx", qBound(0, pixelsToTwips(tabs[i].position), 31680));
    }
    if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        word("\\pagebb");
    // Without \s a paragraph is in style 0, as readers take it.
    if (const QByteArray more = styles::paragraphWords(m_t.styles.paragraph(style), bf); !more.isEmpty())
        m_o.words(more);
    QByteArray kept;
    detail::appendParWords(kept, bf, colorIndexer());
    if (!kept.isEmpty())
        m_o.words(kept);
    m_o.forgetLook(); // \pard leaves character properties alone, but
                          // a fresh start per paragraph keeps it simple
}

void Writer::writeBlock(const QTextBlock &block, int level)
{
    // The pieces of one paragraph (see kParagraphJoin) are written as it.
    const bool joined = joinsPrevious(block);
    const bool joinsNext = block.next().isValid() && joinsPrevious(block.next());
    if (joined)
        m_pendingPar = false;
    // A section's break ends the paragraph before it: \sect instead of \par.
    // Not an empty one: readers take a \sect with nothing since the last
    // \par as no paragraph of its own, so the empty line would be lost.
    bool sectionWritten = std::exchange(m_sectionWrittenAt, -1) == block.position();
    if (m_pendingPar) {
        if (const std::optional<KeptPart> section = sectionAt(block)) {
            if (block.previous().isValid() && block.previous().length() == 1)
                word("\\par");
            word("\\sect");
            sectionWords(section->content);
            writeHeaders(section->headers);
            sectionWritten = true;
        } else {
            word("\\par");
        }
        newline();
        m_pendingPar = false;
    }
    const QTextList *list = block.textList();
    if (!joined)
        paragraphProperties(paragraphFormat(block), level, list);
    const Style *outerStyle = std::exchange(m_blockStyle, m_t.styles.withLook(paragraphFormat(block)));
    if (list && !joined) { // the marker as text, for readers without list tables
        openGroup();
        // old readers number an old list from \pn: its label is \pntext
        raw(m_t.lists.isLegacy(list) ? "\\pntext\\pard\\plain " : "\\listtext\\pard\\plain ");
        text(m_numbering.marker(block));
        word("\\tab");
        closeGroup();
    }

    bool any = false;
    bool spanEnded = false; // a field that began in an earlier paragraph ends in this one
    std::optional<QTextCharFormat> groupedLast; // the last run, when it was written in a group of its own
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid())
            continue;
        const int fi = frag.charFormatIndex();
        const QTextCharFormat fmt = frag.charFormat();
        const RunInfo &info = runInfo(fi, fmt);
        if (info.part && detail::isFieldMark(info.part->kind)) {
            any = true;
            writeFieldMarks(frag, *info.part, block.position(), level, &spanEnded);
            continue;
        }
        if (info.href != m_link || info.link.instruction != m_linkInstruction) {
            closeLink();
            if (!info.href.isEmpty())
                openLink(info);
        }
        any = true;
        if (info.part) {
            // Equal anchors side by side share a fragment: one part each.
            // A note's mark is in the anchor's look (a superscript one
            // in a group of its own, as text is); hidden text has its
            // look inside its group.
            const QString t = frag.text();
            const bool hidden = info.part->kind == KeptPart::Hidden;
            const bool lookless = detail::looklessPart(info.part->kind);
            for (QChar c : t) {
                if (c != QChar::ObjectReplacementCharacter)
                    continue;
                if (sectionWritten) { // written for the \par
                    sectionWritten = false;
                    continue;
                }
                const bool own = info.grouped && !hidden && !lookless;
                if (own)
                    openGroup();
                if (!hidden && !lookless)
                    applyPrefix(info.prefix);
                writeKeptPart(*info.part, info.prefix);
                if (own)
                    closeGroup();
            }
        } else if (info.image) {
            const QString t = frag.text();
            const QTextImageFormat imf = fmt.toImageFormat();
            for (QChar c : t) {
                if (c == QChar::ObjectReplacementCharacter)
                    writeImage(imf);
            }
        } else {
            QString t = frag.text();
            if (!info.autoNumber.isEmpty() && t.startsWith(info.autoNumber)) {
                // The number, then whatever was typed after it in its look.
                openGroup();
                applyPrefix(info.prefix);
                word("\\chftn");
                closeGroup();
                t.remove(0, info.autoNumber.size());
            }
            const bool inGroup = info.grouped || !info.href.isEmpty(); // a link is a group too
            groupedLast = inGroup && !t.isEmpty() ? std::optional(fmt) : std::nullopt;
            if (t.isEmpty()) {
            } else if (info.grouped) {
                openGroup();
                applyPrefix(info.prefix);
                text(t.constData(), t.size());
                closeGroup();
            } else {
                applyPrefix(info.prefix);
                text(t.constData(), t.size());
            }
        }
    }
    if (!joinsNext)
        closeLink();
    // The paragraph's properties again, outside the field's group, for its
    // mark: a group's end restores those in force where it began.
    if (spanEnded)
        paragraphProperties(paragraphFormat(block), level, list);
    // The mark's own look; after a run in a group (raised, or a link's),
    // the mark would take whatever look stands outside it: that run's,
    // not raised.
    const bool ownMark = block.charFormat().boolProperty(kMarkFormat);
    if (any && !joinsNext && (ownMark || groupedLast)) {
        QTextCharFormat cf = ownMark ? block.charFormat() : *groupedLast;
        if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            cf.clearProperty(QTextFormat::TextVerticalAlignment);
        applyPrefix(runInfo(-1, cf).prefix);
    }
    if (!any && !joined && !joinsNext) {
        // An empty paragraph still has a font and size: they set its
        // height. (Not raised or lowered: see RunInfo::grouped.)
        QTextCharFormat cf = block.charFormat();
        if (cf.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
            cf.clearProperty(QTextFormat::TextVerticalAlignment);
            applyPrefix(runInfo(-1, cf).prefix);
        } else {
            applyPrefix(runInfo(block.charFormatIndex(), cf).prefix);
        }
    }
    m_blockStyle = outerStyle;
    m_pendingPar = true;
    m_lastBlock = block;
    m_lastLevel = level;
}

// Blocks and frames of a frame (or of a table cell) in order. Frames
// that are not tables are written as their paragraphs.
void Writer::writeFlow(QTextFrame *frame, int level)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it)
        writeItem(it, level);
}

void Writer::writeItem(const QTextFrame::iterator &it, int level)
{
    if (QTextFrame *child = it.currentFrame()) {
        m_trailingPar = false;
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            if (level < kMaxNesting)
                writeTable(table, level + 1);
            else
                writeTableFlat(table, level);
        } else {
            writeFlow(child, level);
        }
    } else {
        const QTextBlock b = it.currentBlock();
        if (!b.isValid())
            return;
        if (level == 0 && b.length() == 1 && b.blockFormat().hasProperty(kTableSeam) && continuesTable(it))
            return; // only shown between the slices of one table
        if (level == 0 && b.position() == 0 && b.length() == 1 && b.blockFormat().hasProperty(kLeadingStandIn))
            return; // only there because a table opens the document
        m_trailingPar = level > 0 && b.blockFormat().boolProperty(kCellTrailingPar);
        const int flat = level == kShownTableNesting ? b.blockFormat().intProperty(kNestLevel) : 0;
        if (flat > level) {
            writeBlock(b, flat);
            writeFlatEnds(b.blockFormat());
        } else {
            writeBlock(b, level);
        }
    }
}

} // namespace rtf::writer

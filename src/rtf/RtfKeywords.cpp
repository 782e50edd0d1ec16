#include "rtf/RtfKeywords.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace rtf {
namespace {

using T = KwType;

constexpr Keyword K(std::string_view n, T t, Kw id, char16_t ch = 0) { return {n, t, id, ch}; }

// Sorted by name (byte order); the static_assert below keeps it that way.
// A plain array: clang limits how many elements std::array deduction takes.
constexpr Keyword kTable[] = {
    K("aftnbj", T::Value, Kw::NoteSetting),
    K("aftnnalc", T::Value, Kw::NoteSetting),
    K("aftnnar", T::Value, Kw::NoteSetting),
    K("aftnnauc", T::Value, Kw::NoteSetting),
    K("aftnnchi", T::Value, Kw::NoteSetting),
    K("aftnnrlc", T::Value, Kw::NoteSetting),
    K("aftnnruc", T::Value, Kw::NoteSetting),
    K("aftnrestart", T::Value, Kw::NoteSetting),
    K("aftnrstcont", T::Value, Kw::NoteSetting),
    K("aftnsep", T::Destination, Kw::Skip),
    K("aftnsepc", T::Destination, Kw::Skip),
    K("aftnstart", T::Value, Kw::NoteSetting),
    K("aftntj", T::Value, Kw::NoteSetting),
    K("annotation", T::Destination, Kw::Annotation),
    K("ansi", T::Flag, Kw::Ansi),
    K("ansicpg", T::Value, Kw::AnsiCpg),
    K("atnauthor", T::Destination, Kw::AtnAuthor),
    K("atndate", T::Destination, Kw::Skip),
    K("atnid", T::Destination, Kw::AtnId),
    K("atnref", T::Destination, Kw::Skip),
    K("atrfend", T::Destination, Kw::Skip),
    K("atrfstart", T::Destination, Kw::Skip),
    K("author", T::Destination, Kw::Skip),
    K("b", T::Toggle, Kw::B),
    K("bin", T::Value, Kw::Bin),
    K("bkmkend", T::Destination, Kw::Skip),
    K("bkmkstart", T::Destination, Kw::Skip),
    K("blue", T::Value, Kw::Blue),
    K("box", T::Flag, Kw::BrdrOther),
    K("brdrb", T::Flag, Kw::BrdrOther),
    K("brdrbar", T::Flag, Kw::BrdrOther),
    K("brdrbtw", T::Flag, Kw::BrdrOther),
    K("brdrcf", T::Value, Kw::BrdrCf),
    K("brdrdash", T::Flag, Kw::BrdrStyle, 4),
    K("brdrdashsm", T::Flag, Kw::BrdrStyle, 4),
    K("brdrdb", T::Flag, Kw::BrdrStyle, 2),
    K("brdrdot", T::Flag, Kw::BrdrStyle, 3),
    K("brdrhair", T::Flag, Kw::BrdrStyle, 1),
    K("brdrinset", T::Flag, Kw::BrdrStyle, 5),
    K("brdrl", T::Flag, Kw::BrdrOther),
    K("brdrnil", T::Flag, Kw::BrdrStyle, 0),
    K("brdrnone", T::Flag, Kw::BrdrStyle, 0),
    K("brdroutset", T::Flag, Kw::BrdrStyle, 6),
    K("brdrr", T::Flag, Kw::BrdrOther),
    K("brdrs", T::Flag, Kw::BrdrStyle, 1),
    K("brdrsh", T::Flag, Kw::BrdrStyle, 1),
    K("brdrt", T::Flag, Kw::BrdrOther),
    K("brdrth", T::Flag, Kw::BrdrStyle, 1),
    K("brdrtriple", T::Flag, Kw::BrdrStyle, 2),
    K("brdrw", T::Value, Kw::BrdrW),
    K("bullet", T::Symbol, Kw::Char, 0x2022),
    K("buptim", T::Destination, Kw::Skip),
    K("caps", T::Toggle, Kw::Caps),
    K("cb", T::Value, Kw::Cb),
    K("cell", T::Flag, Kw::Cell),
    K("cellx", T::Value, Kw::Cellx),
    K("cf", T::Value, Kw::Cf),
    K("chcbpat", T::Value, Kw::Cb),
    K("chftn", T::Flag, Kw::Chftn),
    K("clbrdrb", T::Flag, Kw::ClBrdr, 2),
    K("clbrdrl", T::Flag, Kw::ClBrdr, 1),
    K("clbrdrr", T::Flag, Kw::ClBrdr, 3),
    K("clbrdrt", T::Flag, Kw::ClBrdr, 0),
    K("clcbpat", T::Value, Kw::ClCbpat),
    K("clmgf", T::Flag, Kw::ClMgf),
    K("clmrg", T::Flag, Kw::ClMrg),
    K("clshdng", T::Value, Kw::ClShdng),
    K("clvertalb", T::Flag, Kw::ClVertalB),
    K("clvertalc", T::Flag, Kw::ClVertalC),
    K("clvertalt", T::Flag, Kw::ClVertalT),
    K("clvmgf", T::Flag, Kw::ClVmgf),
    K("clvmrg", T::Flag, Kw::ClVmrg),
    K("colorschememapping", T::Destination, Kw::Skip),
    K("colortbl", T::Destination, Kw::ColorTbl),
    K("comment", T::Destination, Kw::Skip),
    K("company", T::Destination, Kw::Skip),
    K("cpg", T::Value, Kw::Cpg),
    K("creatim", T::Destination, Kw::Skip),
    K("datafield", T::Destination, Kw::Skip),
    K("datastore", T::Destination, Kw::Skip),
    K("deff", T::Value, Kw::Deff),
    K("deflang", T::Value, Kw::DocValue, 9),
    K("deftab", T::Value, Kw::Deftab),
    K("dibitmap", T::Flag, Kw::OtherBlip),
    K("dn", T::Value, Kw::Dn),
    K("do", T::Destination, Kw::Skip),
    K("doccomm", T::Destination, Kw::Skip),
    K("docvar", T::Destination, Kw::Skip),
    K("emdash", T::Symbol, Kw::Char, 0x2014),
    K("emfblip", T::Flag, Kw::OtherBlip),
    K("emspace", T::Symbol, Kw::Char, 0x2003),
    K("endash", T::Symbol, Kw::Char, 0x2013),
    K("enddoc", T::Value, Kw::NoteSetting),
    K("endnotes", T::Value, Kw::NoteSetting),
    K("enspace", T::Symbol, Kw::Char, 0x2002),
    K("f", T::Value, Kw::F),
    K("falt", T::Destination, Kw::Skip),
    K("fchars", T::Destination, Kw::Skip),
    K("fcharset", T::Value, Kw::Fcharset),
    K("fet", T::Value, Kw::NoteSetting),
    K("fi", T::Value, Kw::Fi),
    K("field", T::Destination, Kw::Field),
    K("filetbl", T::Destination, Kw::Skip),
    K("fldinst", T::Destination, Kw::FldInst),
    K("fldrslt", T::Destination, Kw::FldRslt),
    K("fonttbl", T::Destination, Kw::FontTbl),
    K("footer", T::Destination, Kw::HeaderPart, 4),
    K("footerf", T::Destination, Kw::HeaderPart, 7),
    K("footerl", T::Destination, Kw::HeaderPart, 5),
    K("footerr", T::Destination, Kw::HeaderPart, 6),
    K("footery", T::Value, Kw::DocValue, 8),
    K("footnote", T::Destination, Kw::Footnote),
    K("formfield", T::Destination, Kw::Skip),
    K("fs", T::Value, Kw::Fs),
    K("ftnalt", T::Flag, Kw::FtnAlt),
    K("ftnbj", T::Value, Kw::NoteSetting),
    K("ftncn", T::Destination, Kw::Skip),
    K("ftnnalc", T::Value, Kw::NoteSetting),
    K("ftnnar", T::Value, Kw::NoteSetting),
    K("ftnnauc", T::Value, Kw::NoteSetting),
    K("ftnnchi", T::Value, Kw::NoteSetting),
    K("ftnnrlc", T::Value, Kw::NoteSetting),
    K("ftnnruc", T::Value, Kw::NoteSetting),
    K("ftnrestart", T::Value, Kw::NoteSetting),
    K("ftnrstcont", T::Value, Kw::NoteSetting),
    K("ftnrstpg", T::Value, Kw::NoteSetting),
    K("ftnsep", T::Destination, Kw::Skip),
    K("ftnsepc", T::Destination, Kw::Skip),
    K("ftnstart", T::Value, Kw::NoteSetting),
    K("ftntj", T::Value, Kw::NoteSetting),
    K("generator", T::Destination, Kw::Skip),
    K("green", T::Value, Kw::Green),
    K("gutter", T::Value, Kw::DocValue, 6),
    K("header", T::Destination, Kw::HeaderPart, 0),
    K("headerf", T::Destination, Kw::HeaderPart, 3),
    K("headerl", T::Destination, Kw::HeaderPart, 1),
    K("headerr", T::Destination, Kw::HeaderPart, 2),
    K("headery", T::Value, Kw::DocValue, 7),
    K("highlight", T::Value, Kw::Highlight),
    K("hlinkbase", T::Destination, Kw::Skip),
    K("i", T::Toggle, Kw::I),
    K("ilvl", T::Value, Kw::Ilvl),
    K("info", T::Destination, Kw::Info),
    K("intbl", T::Flag, Kw::Intbl),
    K("itap", T::Value, Kw::Itap),
    K("jpegblip", T::Flag, Kw::JpegBlip),
    K("keywords", T::Destination, Kw::Skip),
    K("landscape", T::Flag, Kw::DocFlag, 0),
    K("latentstyles", T::Destination, Kw::Skip),
    K("ldblquote", T::Symbol, Kw::Char, 0x201C),
    K("levelnfc", T::Value, Kw::LevelNfc),
    K("levelnfcn", T::Value, Kw::LevelNfc),
    K("levelstartat", T::Value, Kw::LevelStartAt),
    K("leveltext", T::Destination, Kw::LevelText),
    K("li", T::Value, Kw::Li),
    K("line", T::Symbol, Kw::Char, 0x2028),
    K("list", T::Destination, Kw::List),
    K("listid", T::Value, Kw::ListId),
    K("listlevel", T::Destination, Kw::ListLevel),
    K("listoverride", T::Destination, Kw::ListOverride),
    K("listoverridetable", T::Destination, Kw::ListTable),
    K("listtable", T::Destination, Kw::ListTable),
    K("listtext", T::Destination, Kw::ListText),
    K("lquote", T::Symbol, Kw::Char, 0x2018),
    K("ls", T::Value, Kw::Ls),
    K("ltrmark", T::Symbol, Kw::Char, 0x200E),
    K("ltrpar", T::Flag, Kw::LtrPar),
    K("mac", T::Flag, Kw::Mac),
    K("macpict", T::Flag, Kw::OtherBlip),
    K("manager", T::Destination, Kw::Skip),
    K("margb", T::Value, Kw::DocValue, 5),
    K("margl", T::Value, Kw::DocValue, 2),
    K("margr", T::Value, Kw::DocValue, 3),
    K("margt", T::Value, Kw::DocValue, 4),
    K("mmathPr", T::Destination, Kw::Skip),
    K("nestcell", T::Flag, Kw::NestCell),
    K("nestrow", T::Flag, Kw::NestRow),
    K("nesttableprops", T::Destination, Kw::NestTableProps),
    K("nonesttables", T::Destination, Kw::Skip),
    K("nonshppict", T::Destination, Kw::Skip),
    K("nosupersub", T::Flag, Kw::NoSuperSub),
    K("objdata", T::Destination, Kw::Skip),
    K("object", T::Destination, Kw::Keep),
    K("operator", T::Destination, Kw::Skip),
    K("page", T::Flag, Kw::Page),
    K("panose", T::Destination, Kw::Skip),
    K("paperh", T::Value, Kw::DocValue, 1),
    K("paperw", T::Value, Kw::DocValue, 0),
    K("par", T::Flag, Kw::Par),
    K("pard", T::Flag, Kw::Pard),
    K("pc", T::Flag, Kw::Pc),
    K("pca", T::Flag, Kw::Pca),
    K("pgdsctbl", T::Destination, Kw::Skip),
    K("pgptbl", T::Destination, Kw::Skip),
    K("pichgoal", T::Value, Kw::PichGoal),
    K("picscalex", T::Value, Kw::PicScaleX),
    K("picscaley", T::Value, Kw::PicScaleY),
    K("pict", T::Destination, Kw::Pict),
    K("picwgoal", T::Value, Kw::PicwGoal),
    K("plain", T::Flag, Kw::Plain),
    K("pmmetafile", T::Flag, Kw::OtherBlip),
    K("pn", T::Destination, Kw::Skip),
    K("pngblip", T::Flag, Kw::PngBlip),
    K("pntext", T::Destination, Kw::ListText),
    K("printim", T::Destination, Kw::Skip),
    K("private", T::Destination, Kw::Skip),
    K("protusertbl", T::Destination, Kw::Skip),
    K("qc", T::Flag, Kw::Qc),
    K("qd", T::Flag, Kw::Qj),
    K("qj", T::Flag, Kw::Qj),
    K("ql", T::Flag, Kw::Ql),
    K("qmspace", T::Symbol, Kw::Char, 0x2005),
    K("qr", T::Flag, Kw::Qr),
    K("rdblquote", T::Symbol, Kw::Char, 0x201D),
    K("red", T::Value, Kw::Red),
    K("result", T::Destination, Kw::Keep),
    K("revtbl", T::Destination, Kw::Skip),
    K("revtim", T::Destination, Kw::Skip),
    K("ri", T::Value, Kw::Ri),
    K("row", T::Flag, Kw::Row),
    K("rquote", T::Symbol, Kw::Char, 0x2019),
    K("rsidtbl", T::Destination, Kw::Skip),
    K("rtlmark", T::Symbol, Kw::Char, 0x200F),
    K("rtlpar", T::Flag, Kw::RtlPar),
    K("sa", T::Value, Kw::Sa),
    K("sb", T::Value, Kw::Sb),
    K("scaps", T::Toggle, Kw::Scaps),
    K("sect", T::Flag, Kw::Sect),
    K("shp", T::Destination, Kw::Skip),
    K("shppict", T::Destination, Kw::Keep),
    K("sl", T::Value, Kw::Sl),
    K("slmult", T::Value, Kw::SlMult),
    K("sp", T::Destination, Kw::Skip),
    K("strike", T::Toggle, Kw::Strike),
    K("striked", T::Toggle, Kw::Strike),
    K("stylesheet", T::Destination, Kw::Skip),
    K("sub", T::Flag, Kw::Sub),
    K("subject", T::Destination, Kw::Skip),
    K("super", T::Flag, Kw::Super),
    K("tab", T::Symbol, Kw::Char, u'\t'),
    K("tb", T::Value, Kw::Tb),
    K("tc", T::Destination, Kw::Skip),
    K("template", T::Destination, Kw::Skip),
    K("themedata", T::Destination, Kw::Skip),
    K("title", T::Destination, Kw::Skip),
    K("tldot", T::Flag, Kw::TlDot),
    K("tleq", T::Flag, Kw::TlEq),
    K("tlhyph", T::Flag, Kw::TlHyph),
    K("tlmdot", T::Flag, Kw::TlDot),
    K("tlth", T::Flag, Kw::TlTh),
    K("tlul", T::Flag, Kw::TlUl),
    K("tqc", T::Flag, Kw::Tqc),
    K("tqdec", T::Flag, Kw::Tqdec),
    K("tqr", T::Flag, Kw::Tqr),
    K("trbrdrb", T::Flag, Kw::BrdrOther),
    K("trbrdrh", T::Flag, Kw::BrdrOther),
    K("trbrdrl", T::Flag, Kw::BrdrOther),
    K("trbrdrr", T::Flag, Kw::BrdrOther),
    K("trbrdrt", T::Flag, Kw::BrdrOther),
    K("trbrdrv", T::Flag, Kw::BrdrOther),
    K("trgaph", T::Value, Kw::Trgaph),
    K("trowd", T::Flag, Kw::Trowd),
    K("trqc", T::Flag, Kw::TrAlign, 1),
    K("trql", T::Flag, Kw::TrAlign, 0),
    K("trqr", T::Flag, Kw::TrAlign, 2),
    K("trrh", T::Value, Kw::Trrh),
    K("tx", T::Value, Kw::Tx),
    K("txe", T::Destination, Kw::Skip),
    K("u", T::Value, Kw::U),
    K("uc", T::Value, Kw::Uc),
    K("ud", T::Destination, Kw::Ud),
    K("ul", T::Toggle, Kw::Ul),
    K("uld", T::Toggle, Kw::Ul, 3),
    K("uldash", T::Toggle, Kw::Ul, 2),
    K("uldashd", T::Toggle, Kw::Ul, 4),
    K("uldashdd", T::Toggle, Kw::Ul, 5),
    K("uldb", T::Toggle, Kw::Ul),
    K("ulhwave", T::Toggle, Kw::Ul, 6),
    K("ulldash", T::Toggle, Kw::Ul, 2),
    K("ulnone", T::Flag, Kw::UlNone),
    K("ulth", T::Toggle, Kw::Ul),
    K("ulthd", T::Toggle, Kw::Ul, 3),
    K("ulthdash", T::Toggle, Kw::Ul, 2),
    K("ulthdashd", T::Toggle, Kw::Ul, 4),
    K("ulthdashdd", T::Toggle, Kw::Ul, 5),
    K("ulthldash", T::Toggle, Kw::Ul, 2),
    K("ululdbwave", T::Toggle, Kw::Ul, 6),
    K("ulw", T::Toggle, Kw::Ul),
    K("ulwave", T::Toggle, Kw::Ul, 6),
    K("up", T::Value, Kw::Up),
    K("upr", T::Destination, Kw::Upr),
    K("userprops", T::Destination, Kw::Skip),
    K("v", T::Toggle, Kw::V),
    K("wbitmap", T::Flag, Kw::OtherBlip),
    K("wgrffmtfilter", T::Destination, Kw::Skip),
    K("widowctrl", T::Flag, Kw::DocFlag, 1),
    K("wmetafile", T::Flag, Kw::OtherBlip),
    K("xe", T::Destination, Kw::Skip),
    K("xmlnstbl", T::Destination, Kw::Skip),
    K("zwbo", T::Symbol, Kw::Char, 0x200B),
    K("zwj", T::Symbol, Kw::Char, 0x200D),
    K("zwnbo", T::Symbol, Kw::Char, 0xFEFF),
    K("zwnj", T::Symbol, Kw::Char, 0x200C),
};

constexpr bool byName(const Keyword &a, const Keyword &b) { return a.name < b.name; }
static_assert(std::is_sorted(std::begin(kTable), std::end(kTable), byName), "keyword table must stay sorted");

// Every control word of a document goes through findKeyword, so lookup is
// one hash and (almost always) one comparison: an open-addressing table of
// indexes into kTable, built at compile time, a bit over twice as large as
// the keyword list so that probe runs stay short.
constexpr size_t kSlots = 1024;
constexpr uint16_t kEmpty = 0xFFFF;
constexpr size_t kMaxName = 32; // longer words are never keywords

constexpr uint32_t hashName(std::string_view n)
{
    uint32_t h = 2166136261u; // FNV-1a
    for (char c : n)
        h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

constexpr auto kSlotTable = [] {
    std::array<uint16_t, kSlots> slots{};
    for (auto &s : slots)
        s = kEmpty;
    for (size_t k = 0; k < std::size(kTable); ++k) {
        size_t i = hashName(kTable[k].name) & (kSlots - 1);
        while (slots[i] != kEmpty)
            i = (i + 1) & (kSlots - 1);
        slots[i] = uint16_t(k);
    }
    return slots;
}();

constexpr bool namesFit()
{
    for (const Keyword &k : kTable)
        if (k.name.size() > kMaxName)
            return false;
    return std::size(kTable) < kSlots / 2;
}
static_assert(namesFit(), "keyword table outgrew its hash table");

} // namespace

const Keyword *findKeyword(std::string_view name)
{
    if (name.size() > kMaxName)
        return nullptr;
    for (size_t i = hashName(name) & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
        const uint16_t k = kSlotTable[i];
        if (k == kEmpty)
            return nullptr;
        const Keyword &kw = kTable[k];
        if (kw.name.size() == name.size() && std::memcmp(kw.name.data(), name.data(), name.size()) == 0)
            return &kw;
    }
}

} // namespace rtf

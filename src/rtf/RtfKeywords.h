#pragma once
// The one table of RTF keywords the reader understands. Each keyword has a
// type that says how the reader dispatches it; keywords that are not in the
// table are ignored (or, after \*, skip their whole group).

#include <cstdint>
#include <string_view>

namespace rtf {

enum class KwType : uint8_t {
    Flag,        // acts without a parameter (\pard, \par, \cell)
    Toggle,      // on, or off with a parameter of 0 (\b, \b0)
    Value,       // needs its parameter (\fs24, \cf2)
    Destination, // starts a group with its own meaning (\fonttbl, \pict)
    Symbol,      // stands for one character (\emdash, \tab)
};

enum class Kw : uint8_t {
    // flags
    Ansi, Mac, Pc, Pca, Pard, Plain, Ql, Qc, Qr, Qj, LtrPar, RtlPar, Intbl, NoSuperSub, Sub, Super,
    UlNone, Trowd, Cell, Row, NestCell, NestRow, Par, Sect, Page, DocFlag, PageBB,
    PngBlip, JpegBlip, OtherBlip, Chftn, FtnAlt, Tqr, Tqc, Tqdec, TlDot, TlHyph, TlUl, TlTh, TlEq,
    ClMgf, ClMrg, ClVmgf, ClVmrg, ClVertalT, ClVertalC, ClVertalB, ClBrdr, BrdrOther, BrdrStyle, TrAlign,
    TrBrdr, TableProp, // a row's border side; a kept row or cell word (see RtfTableProps.h)
    // values
    AnsiCpg, Deff, F, Fs, Cf, Cb, Highlight, Uc, U, Li, Ri, Fi, Sb, Sa, Itap, Cellx,
    Red, Green, Blue, Fcharset, Cpg, PicwGoal, PichGoal, PicScaleX, PicScaleY, Bin,
    Deftab, Up, Dn, Tx, Tb, Sl, SlMult, ClCbpat, ClShdng, BrdrW, BrdrCf, Trrh, Trgaph, ListId, LevelNfc, LevelStartAt, Ls, Ilvl, ListWord,
    DocValue, NoteSetting, SectWord,
    // toggles
    B, I, Ul, Strike, V, Caps, Scaps,
    // destinations
    FontTbl, ColorTbl, Field, FldInst, FldRslt, Pict, Keep, NestTableProps, Upr, Ud, HeaderPart, Footnote, Annotation, AtnId, AtnAuthor,
    ListTable, List, ListLevel, LevelText, ListOverride, ListText, LfoLevel, Pn, PnText, Info, Skip,
    // fields, bookmarks and their kin
    Bookmark, SpecialChar, FieldFlag, TocEntry,
    // symbols
    Char,
};

struct Keyword {
    std::string_view name;
    KwType type;
    Kw id;
    char16_t ch; // the character of a Symbol; which kind of a HeaderPart, side, style,
                 // underline (a QTextCharFormat::UnderlineStyle; 0 single)...
};

// A hashed lookup of the exact name; nullptr when unknown.
const Keyword *findKeyword(std::string_view name);

} // namespace rtf

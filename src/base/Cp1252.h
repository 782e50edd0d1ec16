#pragma once
// Windows-1252, the one table of it: plain text from Windows tools is read
// through it, and the RTF writer gives it as the fallback byte after \uN.

#include <cstdint>

namespace cp1252 {

// Bytes 0x80..0x9F, where the page differs from Latin-1. The five bytes it
// leaves unassigned keep their C1 code points so that no byte is lost.
inline constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t toUnicode(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b);
}

// The byte of a character, or 0 when the page has none for it (the C1
// controls, which only stand in for bytes, have none either).
constexpr unsigned char fromUnicode(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    if (u < 0x0152 || u > 0x2122) // outside every character of kHigh
        return 0;
    for (unsigned i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

} // namespace cp1252

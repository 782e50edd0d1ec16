#pragma once
// Lengths shared by the reader and the writer. RTF measures in twips;
// a QTextDocument measures indents, spacing, tab stops, column widths and
// pictures in pixels at 96 per inch, and font sizes in points.

#include <cmath>

namespace rtf {

constexpr double kTwipsPerPixel = 15.0; // 1440 twips per inch / 96 pixels per inch
constexpr double kTwipsPerPoint = 20.0;
constexpr double kHalfPointsPerPoint = 2.0;
constexpr int kDefaultTabTwips = 720; // RTF's tab distance when \deftab is absent
constexpr int kListHangTwips = 360;  // a list marker's place left of the text
constexpr int kTwipsSingleLine = 240; // \slmult1: \sl240 is single spacing

// Tab leaders in kTabLeaders (Rtf.h), one character per stop, in the
// order none, dots, hyphens, underline, thick line, double line.
constexpr char kTabLeaderChars[] = " .-_t=";

constexpr double twipsToPixels(double twips) { return twips / kTwipsPerPixel; }
constexpr double twipsToPoints(double twips) { return twips / kTwipsPerPoint; }

// value * factor rounded to a whole number; 0 for NaN or absurd values,
// which have nothing sensible to write.
inline int roundToInt(double value, double factor = 1.0)
{
    const double v = std::round(value * factor);
    if (!(v > -1e9 && v < 1e9))
        return 0;
    return static_cast<int>(v);
}

inline int pixelsToTwips(double px) { return roundToInt(px, kTwipsPerPixel); }
inline int pointsToTwips(double pt) { return roundToInt(pt, kTwipsPerPoint); }

} // namespace rtf

#pragma once
// Layout numbers are twips (1440 to the inch). Converting with the screen's
// logical DPI keeps the window's proportions on high-DPI screens.

#include <QColor>
#include <QRect>
#include <cmath>

namespace twips {

// Logical DPI of the primary screen (96 when there is none).
double dpiX();
double dpiY();

inline int toPx(double twips, double dpi) { return int(std::lround(twips * dpi / 1440.0)); }
inline double fromPx(int px, double dpi) { return px * 1440.0 / dpi; }

inline int toPxX(double t) { return toPx(t, dpiX()); }
inline int toPxY(double t) { return toPx(t, dpiY()); }
inline double fromPxX(int px) { return fromPx(px, dpiX()); }
inline double fromPxY(int px) { return fromPx(px, dpiY()); }

// left, top, width, height in twips to a pixel rectangle.
inline QRect rect(double l, double t, double w, double h)
{
    return QRect(toPxX(l), toPxY(t), toPxX(w), toPxY(h));
}

} // namespace twips

// Colours are stored as 0x00BBGGRR.
inline QColor colorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
inline quint32 bgrFromColor(const QColor &c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

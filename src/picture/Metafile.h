#pragma once
// Pictures Qt cannot decode on its own: Windows metafiles (WMF, drawn by
// libwmf) and enhanced metafiles (EMF, turned into SVG by libemf2svg and
// drawn by Qt SVG), and the SVG boxes the RTF reader makes for objects
// and shapes.
//
// Metafiles come from documents, so they are hostile input, and the two C
// libraries were not written for that. They run in a child process of
// their own, with a CPU time limit (kChildSeconds) and, outside sanitizer
// builds, an address-space limit (kChildMegabytes); the parent waits at
// most kChildSeconds + 1 s of wall time, reads at most what the image can
// hold, and kills the child past either. A crash, a hang or garbage in
// there is a picture that does not draw, never a crash of the editor.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace picture {

enum class Kind { Other, Wmf, Emf, Svg };

// What the bytes are, from their first bytes (never from a label).
Kind kindOf(const QByteArray &data);

constexpr int kChildSeconds = 2;
constexpr int kChildMegabytes = 1024;
// The largest image drawn, in pixels; a larger one is drawn at most this
// big (keeping its proportions) and scaled up by whoever shows it.
constexpr qint64 kMaxPixels = 8 * 1024 * 1024;

// The picture drawn to fill size (pixels, proportions as given): null when
// the bytes are no picture of these kinds or do not draw.
QImage render(const QByteArray &data, QSize size);

} // namespace picture

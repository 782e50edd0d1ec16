#pragma once
// The writer's side of the properties kept beside Qt's (see KeptWords in
// Rtf.h): each function appends RTF words, without a delimiter after the
// last one. Colours become colour table indexes through colorIndex.

#include "rtf/Rtf.h"

#include <QByteArray>
#include <QRgb>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <functional>

namespace rtf::detail {

using ColorIndex = std::function<int(QRgb)>;

// The kept underline word (\uldb, \ulth...) of a run whose underline is
// still the one it was read with; empty when there is none.
QByteArray keptUnderline(const QTextCharFormat &f);
// A run read with \striked1 that is still struck through.
bool keptDoubleStrike(const QTextCharFormat &f);
// After Qt's properties of a run: letter spacing, raised or lowered text,
// width, then the run's kept words. halfPoints: the run's size.
void appendCharWords(QByteArray &out, const QTextCharFormat &f, int halfPoints, const ColorIndex &colorIndex);
// A paragraph's kept words, its borders' words after their side.
void appendParWords(QByteArray &out, const QTextBlockFormat &f, const ColorIndex &colorIndex);
// Kept words as they are (a list level's marker look).
void appendWords(QByteArray &out, const KeptWords &words, const ColorIndex &colorIndex);
// The document's kept words.
void appendDocWords(QByteArray &out, const KeptWords &words);

} // namespace rtf::detail

// The font of the hex view: fixed pitch, 9.75 point, bold. The columns of
// the dump only line up when every character has the same advance, which
// a font's fixed-pitch flag does not promise, so the advances are measured.
#pragma once

#include <QFont>

namespace ViewFont {

// True when every character the view can show (0x20 to 0x7F and ".") has
// the same advance in `font`, alone and in a row.
bool EvenAdvances(const QFont& font);

// The first family of a list of fixed-pitch ones that passes EvenAdvances,
// or the system's fixed font when none does.
QFont Choose();

}  // namespace ViewFont

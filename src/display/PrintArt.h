#pragma once
// The printed page's own pixel art: the header logo, the plot's event icons and the event
// table's icons. All of it prints in black (the logo excepted), whatever the traces' colours.

#include "display/CImageStrip.h"

#include <QImage>

inline constexpr int kLogoWidth = 128;
inline constexpr int kLogoHeight = 37;

// The program's logo for the page header, 128 by 37 opaque pixels.
const QImage& PrintLogo();
// Five 8 by 8 icons along the bottom of the printed plot, in the order of the event icon
// index (start, end, reflection or other, gain, loss).
const CImageStrip& PrintEventImages();
// The event list's five 16 by 16 icons as the table prints them: black, not in the trace's
// colour.
const CImageStrip& PrintListImages();

#pragma once
// The program's own pixel art for the plots: the zoom bars' arrows, the key-event icons and
// the pointer shapes over the thumbs' ends.

#include "display/CImageStrip.h"

#include <QCursor>

// Nine 8 by 8 arrows: 0 and 1 pan left and right, 2 and 3 pan down and up, 4 and 5 an edge
// moving left and right, 6 an edge moving down, 7 an edge moving up, 8 the full-range box.
// One image serves both ends of a bar, showing the way the edge goes: extending the top and
// shrinking from the bottom both move an edge up.
const CImageStrip& ArrowImages();
// Ten 8 by 8 event icons in the order of the event icon index (start, end, reflection or
// other, gain, loss), then the same five highlighted for the selected event.
const CImageStrip& EventImages();
inline constexpr int kEventIconCount = 5;

QCursor HorzResizeCursor();
QCursor VertResizeCursor();

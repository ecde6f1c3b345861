#pragma once
// The viewer's own 16 by 16 pixel art: the workspace tree's folders and trace icons, the event
// list's icons and the program icon. In every picture that takes a trace colour, exactly black
// pixels mark the coloured part and white is transparent.

#include "core/SignalKind.h"
#include "display/CImageStrip.h"

#include <QIcon>
#include <QImage>

#include <cstdint>

// Tree bitmaps by resource number.
inline constexpr int kFolderBitmap = 143; // two images: closed folder, open folder
inline constexpr int kTraceBitmap = 137;  // an entry with a loaded trace
inline constexpr int kEmptyTraceBitmap = 144;

const CImageStrip& FolderImages();
// The tree bitmap with that number as one 16 by 16 image; a null image for other numbers.
QImage TreeBitmap(int bitmapId);
// The bitmap of an entry whose trace is of the kind; None for an entry without a trace.
int TreeBitmapOf(SignalKind kind);
// Five event icons in the order of the event icon index: start, end, reflection or other,
// gain, loss.
const CImageStrip& EventListImages();

// Every opaque pixel that is exactly black takes the colour (0x00BBGGRR); the rest stays.
QImage RecolourBlack(const QImage& image, std::uint32_t colour);

QIcon ProgramIcon();

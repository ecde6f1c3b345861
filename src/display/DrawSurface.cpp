#include "display/DrawSurface.h"

LogFont RotatedFont(LogFont font) {
    font.escapement = 900;
    font.orientation = 900;
    return font;
}

#pragma once
// A row of square images of one size (8 or 16 pixels), drawn one cell at a time. White
// pixels are transparent, as the window system's image lists treat them.

#include <QImage>

#include <cstdint>
#include <span>

// One character of pixel art and the colour (0x00BBGGRR) it stands for.
struct CArtColour {
    char key = '.';
    std::uint32_t colour = 0xFFFFFF;
};

class CImageStrip {
public:
    CImageStrip() = default;
    // The strip's cells side by side; a width that is not a whole number of cells loses the
    // remainder.
    CImageStrip(const QImage& strip, int cellSize);
    // Pixel art: every cell as cellSize rows of cellSize characters, the cells one after the
    // other. Characters missing from the palette, and rows that are too short, are white.
    static CImageStrip FromArt(int cellSize, std::span<const char* const> rows,
                               std::span<const CArtColour> palette);

    int CellSize() const { return cellSize_; }
    int Count() const { return count_; }
    // The cell with white made transparent; a null image for an index out of range.
    QImage Cell(int index) const;
    // The cell drawn as the window system draws a disabled image: the shape embossed in the
    // shadow colour over a highlight shifted by one pixel.
    QImage GreyedCell(int index) const;

private:
    QImage strip_; // ARGB32, white already transparent
    int cellSize_ = 0;
    int count_ = 0;
};

#include "project/TraceColours.h"

#include <array>
#include <cstddef>

namespace {

// The settings' default palette: blue, green, red, cyan, magenta, then the dark ones and black.
constexpr std::array<std::uint32_t, 10> kDefaultPalette = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
    0x7F0000, 0x007F00, 0x00007F, 0x7F7F00, 0x000000,
};

TraceColourSource source;
std::size_t defaultPosition = 0;

} // namespace

void SetTraceColourSource(TraceColourSource newSource) {
    source = std::move(newSource);
    defaultPosition = 0;
}

std::uint32_t TakeTraceColour() {
    if (source)
        return source();
    const std::uint32_t colour = kDefaultPalette[defaultPosition];
    defaultPosition = (defaultPosition + 1) % kDefaultPalette.size();
    return colour;
}

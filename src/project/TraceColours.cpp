#include "project/TraceColours.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace {

// The settings' default palette: blue, green, red, cyan, magenta, then the dark ones and black.
constexpr std::array<std::uint32_t, 10> kDefaultPalette = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
    0x7F0000, 0x007F00, 0x00007F, 0x7F7F00, 0x000000,
};

std::atomic<const TraceColourSource*> current{nullptr};
std::atomic<std::size_t> defaultPosition{0};

} // namespace

CTraceColourScope::CTraceColourScope(TraceColourSource source)
    : source_(std::move(source)), previous_(current.exchange(&source_)) {
    defaultPosition.store(0);
}

CTraceColourScope::~CTraceColourScope() {
    current.store(previous_);
    defaultPosition.store(0);
}

std::uint32_t TakeTraceColour() {
    if (const TraceColourSource* source = current.load(); source && *source)
        return (*source)();
    return kDefaultPalette[defaultPosition.fetch_add(1) % kDefaultPalette.size()];
}

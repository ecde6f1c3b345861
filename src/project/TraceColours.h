#pragma once
// The colours entries take when they enter the workspace tree, handed out in turn and shared
// by every project. The application hands out its settings' palette; until it installs it,
// the ten default colours are used. Colours are 0x00BBGGRR.

#include <cstdint>
#include <functional>

using TraceColourSource = std::function<std::uint32_t()>;

// An empty source restores the default palette, starting again at its first colour.
void SetTraceColourSource(TraceColourSource source);
// The next colour of the installed source or of the default palette.
std::uint32_t TakeTraceColour();

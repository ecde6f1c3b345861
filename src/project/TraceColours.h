#pragma once
// The colours entries take when they enter the workspace tree, handed out in turn and shared
// by every project. The application hands out its settings' palette; until it installs it,
// the ten default colours are used. Colours are 0x00BBGGRR.

#include <cstdint>
#include <functional>

using TraceColourSource = std::function<std::uint32_t()>;

// Installs a source for its lifetime and then puts the previous one back; scopes nest. An
// empty source is the default palette. Either way the default palette starts again at its
// first colour.
class CTraceColourScope {
public:
    explicit CTraceColourScope(TraceColourSource source);
    ~CTraceColourScope();
    CTraceColourScope(const CTraceColourScope&) = delete;
    CTraceColourScope& operator=(const CTraceColourScope&) = delete;

private:
    const TraceColourSource source_;
    const TraceColourSource* previous_;
};

// The next colour of the installed source or of the default palette.
std::uint32_t TakeTraceColour();

#include "core/ScaleTicks.h"

#include <climits>
#include <cmath>
#include <cstddef>

int Rnd(double v) {
    const double shifted = v + 0.5;
    if (std::isnan(shifted))
        return 0;
    if (shifted >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (shifted <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(shifted);
}

CScaleTicks ScaleTicks(int first, int last) {
    CScaleTicks ticks;
    const double s = (last - first - 1) * 0.1;
    ticks.spacing = s;
    for (int i = 0; i <= 10; ++i)
        ticks.major[static_cast<std::size_t>(i)] = first + Rnd(i * s);
    for (int i = 0; i < 10; ++i) {
        for (int k = 0; k < 10; ++k)
            ticks.minor[static_cast<std::size_t>(10 * i + k)] =
                first + static_cast<int>(k * s * 0.1 + i * s + 0.5);
    }
    return ticks;
}

MinorTicks MinorTicksAt(double spacing) {
    if (spacing >= 20)
        return MinorTicks::All;
    return spacing >= 5 ? MinorTicks::Mid : MinorTicks::None;
}

bool MinorTickShown(MinorTicks shown, int k) {
    return shown == MinorTicks::All || (shown == MinorTicks::Mid && k == 5);
}

double ScaleValue(double from, double to, int i) {
    return from + i * (to - from) * 0.1;
}

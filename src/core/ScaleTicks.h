#pragma once
// Where the ticks of a plot's scale fall, the same for the screen and the printed page.

#include <array>

// The integer part of v + 0.5, saturated to int; 0 for NaN.
int Rnd(double v);

// Ticks along one side of the plot from first (L or T) to last (R or B): eleven major ticks
// (last - first - 1) / 10 apart, and ten minor ones in every interval between them, the
// first on the interval's major tick and the sixth (k = 5) halfway.
struct CScaleTicks {
    double spacing = 0.0;
    std::array<int, 11> major{};
    // minor[10 * i + k]: tenth k of interval i.
    std::array<int, 100> minor{};
};
CScaleTicks ScaleTicks(int first, int last);

// How many minor ticks a screen scale shows: none below a spacing of 5 pixels, the mid one
// from 5, all of them from 20.
enum class MinorTicks { None, Mid, All };
MinorTicks MinorTicksAt(double spacing);
bool MinorTickShown(MinorTicks shown, int k);

// The value of label i (0..10) on a side running from `from` to `to`.
double ScaleValue(double from, double to, int i);

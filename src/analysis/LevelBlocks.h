#pragma once
// Searches along a trace's levels for where they leave a band or a line, or peak, that pass
// over whole blocks of samples known to lie inside: a reflection under a pulse thousands of
// samples long then costs them no more than under a short one. Each answers exactly what a
// scan sample by sample does, rounding included.

#include "analysis/TraceAnalysis.h"

#include <cmath>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

class CLevelBlocks {
public:
    using Index = std::ptrdiff_t;
    static constexpr Index kBlock = 64;
    static constexpr std::size_t Blocks(std::size_t samples) {
        return (samples + kBlock - 1) / kBlock;
    }

    // levels: finite, and valid while this lives. low, high: Blocks(levels.size()) values
    // each, kept here.
    CLevelBlocks(std::span<const float> levels, std::span<float> low, std::span<float> high);

    // The least of a..b-1; infinity where that is empty.
    float Lowest(Index a, Index b) const;
    // The first k of from..to-1 below level; to where there is none.
    Index FirstBelow(Index from, Index to, double level) const;
    // The first k of from..to-1 that stands no more than over above line; to where there is
    // none.
    Index FirstNotOver(Index from, Index to, const CLineFit& line, double over) const;
    // The first k of from..to-1 that stands more than over above line; to where there is none.
    Index FirstOver(Index from, Index to, const CLineFit& line, double over) const;
    // Going back from to, the first of the samples down to from that all stand more than rise
    // above base; to where the one before to does not.
    Index RiseStart(Index from, Index to, double base, double rise) const;

    struct CBump {
        Index end = 0;  // the first sample not in it
        Index peak = 0; // its first highest sample
    };
    // A bump from from (which stands height above line): the samples before to that stand
    // above line by more than half of threshold and half of the highest of them before.
    CBump Follow(Index from, Index to, const CLineFit& line, double threshold, double height);

private:
    // Most searches look at a few blocks of a trace: a block's bounds are worked out the first
    // time they are asked for.
    float Low(Index k) const {
        const std::size_t block = static_cast<std::size_t>(k / kBlock);
        if (std::isnan(low_[block]))
            Bound(block);
        return low_[block];
    }
    float High(Index k) const {
        const std::size_t block = static_cast<std::size_t>(k / kBlock);
        if (std::isnan(low_[block]))
            Bound(block);
        return high_[block];
    }
    void Bound(std::size_t block) const;

    std::span<const float> levels_;
    std::span<float> low_; // not a number until worked out
    std::span<float> high_;
    // Blocks a bump passed over: a heap of the most each may stand above the line, and its
    // first sample.
    std::vector<std::pair<double, Index>> skipped_;
};

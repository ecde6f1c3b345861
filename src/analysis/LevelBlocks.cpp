#include "analysis/LevelBlocks.h"

#include <algorithm>
#include <limits>

// A block is passed over only where a comparison holds for its least or greatest level and
// the higher or lower end of the line over it: the rounded difference of a sample and a line
// grows with the sample and falls with the line, so it holds for every sample in between.

CLevelBlocks::CLevelBlocks(std::span<const float> levels, std::span<float> low,
                           std::span<float> high, std::span<std::uint8_t> top)
    : levels_(levels), low_(low), high_(high), top_(top) {
    const std::size_t size = levels.size();
    for (std::size_t b = 0; b < Blocks(size); ++b) {
        const std::size_t from = b * kBlock;
        const std::size_t to = std::min(size, from + kBlock);
        float least = levels[from];
        std::size_t highest = from;
        for (std::size_t k = from + 1; k < to; ++k) {
            least = levels[k] < least ? levels[k] : least;
            highest = levels[k] > levels[highest] ? k : highest;
        }
        low_[b] = least;
        high_[b] = levels[highest];
        top_[b] = static_cast<std::uint8_t>(highest - from);
    }
}

float CLevelBlocks::Lowest(Index a, Index b) const {
    float lowest = std::numeric_limits<float>::infinity();
    Index k = a;
    for (; k < b && k % kBlock != 0; ++k)
        lowest = levels_[static_cast<std::size_t>(k)] < lowest
                     ? levels_[static_cast<std::size_t>(k)]
                     : lowest;
    for (; k + kBlock <= b; k += kBlock)
        lowest = std::min(lowest, low_[Block(k)]);
    for (; k < b; ++k)
        lowest = levels_[static_cast<std::size_t>(k)] < lowest
                     ? levels_[static_cast<std::size_t>(k)]
                     : lowest;
    return lowest;
}

CLevelBlocks::Index CLevelBlocks::FirstBelow(Index from, Index to, double level) const {
    Index k = from;
    while (k < to) {
        if (k % kBlock == 0 && k + kBlock <= to && low_[Block(k)] >= level)
            k += kBlock;
        else if (Level(k) >= level)
            ++k;
        else
            break;
    }
    return k;
}

CLevelBlocks::Index CLevelBlocks::FirstNotOver(Index from, Index to, const CLineFit& line,
                                               double over) const {
    Index k = from;
    while (k < to) {
        if (k % kBlock == 0 && k + kBlock <= to &&
            low_[Block(k)] - std::max(line.At(static_cast<double>(k)),
                                      line.At(static_cast<double>(k + kBlock - 1))) >
                over)
            k += kBlock;
        else if (Level(k) - line.At(static_cast<double>(k)) > over)
            ++k;
        else
            break;
    }
    return k;
}

CLevelBlocks::Index CLevelBlocks::RiseStart(Index from, Index to, double base, double rise) const {
    Index k = to;
    while (k > from) {
        if (k % kBlock == 0 && k - kBlock >= from && low_[Block(k - kBlock)] - base > rise)
            k -= kBlock;
        else if (Level(k - 1) - base > rise)
            --k;
        else
            break;
    }
    return k;
}

CLevelBlocks::CBump CLevelBlocks::Follow(Index from, Index to, const CLineFit& line,
                                         double threshold, double height) {
    // A block passed over leaves only a bound of the highest: where that bound could decide
    // where the bump ends, the blocks passed over are measured sample by sample, the one that
    // may stand highest first, until it cannot.
    CBump bump{from, from};
    double highest = height;
    skipped_.clear();
    auto bound = [&] { return skipped_.empty() ? highest : std::max(highest, skipped_[0].first); };
    Index& j = bump.end;
    while (j < to) {
        if (j % kBlock == 0 && j + kBlock <= to) {
            const double first = line.At(static_cast<double>(j));
            const double last = line.At(static_cast<double>(j + kBlock - 1));
            const double most = high_[Block(j)] - std::min(first, last);
            if (low_[Block(j)] - std::max(first, last) >
                std::max(0.5 * threshold, 0.5 * std::max(bound(), most))) {
                if (high_[Block(j)] > Level(bump.peak))
                    bump.peak = j + top_[Block(j)];
                skipped_.emplace_back(most, j);
                std::ranges::push_heap(skipped_);
                j += kBlock;
                continue;
            }
        }
        const double over = Level(j) - line.At(static_cast<double>(j));
        while (!skipped_.empty() && over > std::max(0.5 * threshold, 0.5 * highest) &&
               !(over > std::max(0.5 * threshold, 0.5 * bound()))) {
            std::ranges::pop_heap(skipped_);
            const Index block = skipped_.back().second;
            skipped_.pop_back();
            for (Index k = block; k < block + kBlock; ++k)
                highest = std::max(highest, Level(k) - line.At(static_cast<double>(k)));
        }
        if (!(over > std::max(0.5 * threshold, 0.5 * highest)))
            break;
        if (Level(j) > Level(bump.peak))
            bump.peak = j;
        highest = std::max(highest, over);
        ++j;
    }
    return bump;
}

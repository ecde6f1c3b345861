#include "analysis/LevelBlocks.h"

#include <algorithm>
#include <limits>

// A block is passed over only where a comparison holds for its least or greatest level and
// the higher or lower end of the line over it: the rounded difference of a sample and a line
// grows with the sample and falls with the line, so it holds for every sample in between.

CLevelBlocks::CLevelBlocks(std::span<const float> levels, std::span<float> low,
                           std::span<float> high)
    : levels_(levels), low_(low), high_(high) {
    std::ranges::fill(low_, std::numeric_limits<float>::quiet_NaN());
}

void CLevelBlocks::Bound(std::size_t block) const {
    const std::size_t from = block * kBlock;
    const std::size_t to = std::min(levels_.size(), from + kBlock);
    float least = levels_[from];
    float most = levels_[from];
    for (std::size_t k = from + 1; k < to; ++k) {
        least = levels_[k] < least ? levels_[k] : least;
        most = levels_[k] > most ? levels_[k] : most;
    }
    low_[block] = least;
    high_[block] = most;
}

float CLevelBlocks::Lowest(Index a, Index b) const {
    float lowest = std::numeric_limits<float>::infinity();
    Index k = a;
    for (; k < b && k % kBlock != 0; ++k)
        lowest = levels_[static_cast<std::size_t>(k)] < lowest
                     ? levels_[static_cast<std::size_t>(k)]
                     : lowest;
    for (; k + kBlock <= b; k += kBlock)
        lowest = std::min(lowest, Low(k));
    for (; k < b; ++k)
        lowest = levels_[static_cast<std::size_t>(k)] < lowest
                     ? levels_[static_cast<std::size_t>(k)]
                     : lowest;
    return lowest;
}

CLevelBlocks::Index CLevelBlocks::FirstBelow(Index from, Index to, double level) const {
    Index k = from;
    while (k < to) {
        if (k % kBlock == 0 && k + kBlock <= to && Low(k) >= level)
            k += kBlock;
        else if (levels_[static_cast<std::size_t>(k)] >= level)
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
            Low(k) - std::max(line.At(static_cast<double>(k)),
                              line.At(static_cast<double>(k + kBlock - 1))) >
                over)
            k += kBlock;
        else if (levels_[static_cast<std::size_t>(k)] - line.At(static_cast<double>(k)) > over)
            ++k;
        else
            break;
    }
    return k;
}

CLevelBlocks::Index CLevelBlocks::FirstOver(Index from, Index to, const CLineFit& line,
                                            double over) const {
    Index k = from;
    while (k < to) {
        if (k % kBlock == 0 && k + kBlock <= to &&
            !(High(k) - std::min(line.At(static_cast<double>(k)),
                                 line.At(static_cast<double>(k + kBlock - 1))) >
              over))
            k += kBlock;
        else if (!(levels_[static_cast<std::size_t>(k)] - line.At(static_cast<double>(k)) > over))
            ++k;
        else
            break;
    }
    return k;
}

CLevelBlocks::Index CLevelBlocks::RiseStart(Index from, Index to, double base, double rise) const {
    Index k = to;
    while (k > from) {
        if (k % kBlock == 0 && k - kBlock >= from && Low(k - kBlock) - base > rise)
            k -= kBlock;
        else if (levels_[static_cast<std::size_t>(k - 1)] - base > rise)
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
    if (from >= to)
        return {from, from};
    const CLineFit fit = line;
    const float* const level = levels_.data();
    const double half = 0.5 * threshold;
    Index peak = from;
    float top = level[from];
    double highest = height;
    double bound = height; // the highest, or more while blocks passed over may hold more
    skipped_.clear();
    Index j = from;
    while (j < to) {
        if (j % kBlock == 0 && j + kBlock <= to) {
            const double first = fit.At(static_cast<double>(j));
            const double last = fit.At(static_cast<double>(j + kBlock - 1));
            const double most = High(j) - std::min(first, last);
            if (Low(j) - std::max(first, last) > std::max(half, 0.5 * std::max(bound, most))) {
                // The first of the block's greatest, if it is above the peak so far.
                if (High(j) > top) {
                    top = High(j);
                    for (peak = j; level[peak] != top; ++peak) {
                    }
                }
                skipped_.emplace_back(most, j);
                std::ranges::push_heap(skipped_);
                bound = std::max(bound, most);
                j += kBlock;
                continue;
            }
        }
        const Index edge = std::min(to, (j / kBlock + 1) * kBlock);
        if (skipped_.empty()) {
            // The scan itself, up to the next block.
            for (; j < edge; ++j) {
                const double over = level[j] - fit.At(static_cast<double>(j));
                if (!(over > std::max(half, 0.5 * highest)))
                    return {j, peak};
                if (level[j] > top) {
                    peak = j;
                    top = level[j];
                }
                highest = std::max(highest, over);
            }
            bound = highest;
            continue;
        }
        const double over = level[j] - fit.At(static_cast<double>(j));
        while (!skipped_.empty() && over > std::max(half, 0.5 * highest) &&
               !(over > std::max(half, 0.5 * bound))) {
            std::ranges::pop_heap(skipped_);
            const Index block = skipped_.back().second;
            skipped_.pop_back();
            for (Index k = block; k < block + kBlock; ++k)
                highest = std::max(highest, level[k] - fit.At(static_cast<double>(k)));
            bound = skipped_.empty() ? highest : std::max(highest, skipped_[0].first);
        }
        if (!(over > std::max(half, 0.5 * highest)))
            break;
        if (level[j] > top) {
            peak = j;
            top = level[j];
        }
        highest = std::max(highest, over);
        bound = std::max(bound, over);
        ++j;
    }
    return {j, peak};
}

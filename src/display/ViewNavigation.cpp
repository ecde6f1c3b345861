#include "display/ViewNavigation.h"

#include <algorithm>
#include <cmath>

void ZoomAbout(double& low, double& high, double anchor, double factor, double minWidth, double min,
               double max) {
    const double width = high - low;
    if (!(width > 0.0) || !(max > min) || !std::isfinite(anchor) || !(factor > 0.0))
        return;
    const double share = std::clamp((anchor - low) / width, 0.0, 1.0);
    const double newWidth = std::clamp(width * factor, std::min(minWidth, max - min), max - min);
    double newLow = anchor - share * newWidth;
    double newHigh = newLow + newWidth;
    if (newLow < min) {
        newLow = min;
        newHigh = min + newWidth;
    }
    if (newHigh > max) {
        newHigh = max;
        newLow = max - newWidth;
    }
    if (std::isfinite(newLow) && std::isfinite(newHigh) && newLow < newHigh) {
        low = newLow;
        high = newHigh;
    }
}

void CentreInside(double& low, double& high, double centre, double min, double max) {
    const double width = high - low;
    if (!(width > 0.0) || !std::isfinite(centre))
        return;
    double newLow = centre - width * 0.5;
    newLow = std::min(newLow, max - width);
    newLow = std::max(newLow, min);
    low = newLow;
    high = newLow + width;
}

double WorldAtPixel(int pixel, int from, int to, double first, double last) {
    if (to <= from)
        return first;
    const int clamped = std::clamp(pixel, from, to);
    return first + (last - first) * (clamped - from) / static_cast<double>(to - from);
}

void OverviewWorldAt(const CPixelRect& client, const CWorldRect& extent, int x, int y,
                     double& distance, double& level) {
    distance = WorldAtPixel(x, client.left, client.right, extent.left, extent.right);
    level = WorldAtPixel(y, client.top, client.bottom, extent.top, extent.bottom);
}

#include "nntp/BandwidthMath.h"

#include <cmath>

namespace BandwidthMath {

double maxBytesPerSecond(double maxBandwidthThroughPut)
{
    return maxBandwidthThroughPut * 0.125;
}

quint64 bufferSize(bool throttleBandwidth, double maxBytesPerSecond, qint64 openConnectionsNr,
                   qint64 bandwidthUsedInLastSecond)
{
    if (!throttleBandwidth) return kUnthrottledReadSize;

    const double m = maxBytesPerSecond;
    const qint64 k = openConnectionsNr;
    quint64 size;
    if (m >= 12500000.0)
        size = 163840;
    else if (k > 0 && m >= 125000.0)
        size = quint64(16384 / k);
    else if (k < 1)
        size = 16384;
    else if (m >= 12500.0)
        size = quint64(1638 / k);
    else
        size = 16384;

    const double left = m - double(bandwidthUsedInLastSecond);
    if (left < 0.0) return 1;
    // Both clipped values are below `size` (at most 163840) here, so the
    // conversions cannot overflow. A NaN cap compares false everywhere and
    // leaves the fixed share.
    if (double(size) > left)
        size = quint64(std::floor(left));
    else if (double(size) > left * 0.25)
        size = quint64(std::floor(left * 0.25));
    return size < 1 ? 1 : size;
}

} // namespace BandwidthMath

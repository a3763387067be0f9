#pragma once

#include <QtGlobal>

// The arithmetic of the download cap, kept apart from the connection manager so
// that it can be checked on its own. Pure functions; the caller holds whatever
// lock guards the figures it passes in.
namespace BandwidthMath {

// Read size of a connection while no cap is active.
inline constexpr quint64 kUnthrottledReadSize = 32768;

// The cap in bytes per second for the setting "maxBandwidthThroughPut" (bits
// per second).
double maxBytesPerSecond(double maxBandwidthThroughPut);

// How many bytes a connection may ask for in its next read.
//
// Under a cap the fixed share (163840 for very high caps, else 16384 or 1638
// divided among the open connections) is clipped to what is left of the
// current second's budget, so that no read overshoots the second by more than
// its own size; the pause after the second absorbs the rest. Never 0: a read of
// at least one byte keeps the stream moving.
quint64 bufferSize(bool throttleBandwidth, double maxBytesPerSecond, qint64 openConnectionsNr,
                   qint64 bandwidthUsedInLastSecond);

} // namespace BandwidthMath

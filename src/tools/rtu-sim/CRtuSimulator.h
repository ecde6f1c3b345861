#pragma once
// A stand-in for the remote test unit, serving a folder (which a Samba server may export as
// TRACES). It reads "OPTREFL.PAR" whenever the file changes and, while the request's status
// is SCAN, drops one synthesized trace at a time into "SCAN", taking the requested fibres in
// turn, named "SCAN<fibre>_<number>.SOR". A trace is written whole under a hidden name and
// renamed into place, or, in the slow mode, written in place a piece at a time as a unit that
// is still measuring would. It always ends by itself: after its time or its count of traces,
// or when asked to stop.

#include "tools/rtu-sim/RtuRequest.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CRtuSimOptions {
    std::string root;
    // Pause between two traces.
    std::chrono::milliseconds interval{1000};
    // 0: no limit but the time.
    int count = 0;
    // At most an hour.
    std::chrono::milliseconds duration{std::chrono::seconds(60)};
    // Samples per trace.
    int points = 4000;
    // Above 0: the slow mode, each file taking this long to write.
    std::chrono::milliseconds slowWrite{0};
    std::uint64_t seed = 1;
};

class CRtuSimulator {
public:
    explicit CRtuSimulator(CRtuSimOptions options);

    // Runs until the time or the count is reached or stop becomes true. Returns the number of
    // traces dropped. Throws CException when the folder cannot be used.
    int Run(const std::atomic<bool>& stop);

    // Told of each request read and each trace dropped (file name).
    std::function<void(const RtuRequest&)> onRequest;
    std::function<void(const std::string&)> onTrace;

    // The trace file for one fibre (0..3) of a request, as the unit would write it.
    static std::vector<std::uint8_t> MakeTrace(const RtuRequest& request, int fiber, int points,
                                               std::uint64_t seed);

private:
    void DropTrace(const RtuRequest& request, int fiber, const std::atomic<bool>& stop);

    CRtuSimOptions options_;
    int dropped_ = 0;
    int nextFiber_ = 0;
};

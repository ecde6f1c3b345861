#pragma once
// What the scanning tests share: a target that records the scanner's notifications and answers
// 0x505 as the frame does, trace files from the synthesizer, and waiting with a time limit.

#include "formats/bellcore/CGR196File.h"
#include "platform/CMessageTarget.h"
#include "scan/CScanner.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A whole, small GR-196-CORE trace; the seed makes each one different.
inline std::vector<std::uint8_t> TraceBytes(std::uint64_t seed = 1) {
    CSynthOptions options;
    options.pointCount = 600;
    options.spacing = 20.0;
    options.seed = seed;
    CGR196File file;
    FillTraceFile(CTraceSynthesizer(options), file);
    return file.SaveToBytes();
}

// Polls the condition until it holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Stands in for the main frame: records each arrival (0x504) and poll (0x505) and answers the
// poll with RequestPoll. Sends can be held, as a frame busy elsewhere holds them.
class CScanRecorder : public CMessageTarget {
public:
    struct Arrival {
        int fiber;
        std::string path;
        std::vector<std::uint8_t> bytes; // the local file as it was when announced
        std::chrono::steady_clock::time_point at;
    };

    explicit CScanRecorder(CScanner& scanner) : scanner_(scanner) {}
    // An abandoned send may still be inside Send: wait for it to leave.
    ~CScanRecorder() override {
        Release();
        WaitForCouriers();
        std::unique_lock lock(lock_);
        changed_.wait(lock, [this] { return inSend_ == 0; });
    }

    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        if (message != kMsgScanPollDone)
            return;
        {
            std::lock_guard guard(lock_);
            ++polls_;
        }
        changed_.notify_all();
        if (onPoll)
            onPoll();
        scanner_.RequestPoll();
    }

    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        if (message != kMsgScanTraceArrived)
            return 0;
        const std::string path = *reinterpret_cast<const std::string*>(l);
        Arrival arrival{static_cast<int>(w), path, ReadFile(path),
                        std::chrono::steady_clock::now()};
        if (onArrival)
            onArrival(arrival);
        std::unique_lock lock(lock_);
        ++inSend_;
        arrivals_.push_back(std::move(arrival));
        changed_.notify_all();
        changed_.wait(lock, [this] { return !hold_; });
        --inSend_;
        changed_.notify_all();
        return 1;
    }

    // Sends block from now until Release.
    void Hold() {
        std::lock_guard guard(lock_);
        hold_ = true;
    }
    void Release() {
        {
            std::lock_guard guard(lock_);
            hold_ = false;
        }
        changed_.notify_all();
    }

    std::vector<Arrival> Arrivals() const {
        std::lock_guard guard(lock_);
        return arrivals_;
    }
    std::size_t ArrivalCount() const {
        std::lock_guard guard(lock_);
        return arrivals_.size();
    }
    int Polls() const {
        std::lock_guard guard(lock_);
        return polls_;
    }
    bool InSend() const {
        std::lock_guard guard(lock_);
        return inSend_ > 0;
    }
    // Waits until a given number of polls more have finished.
    bool WaitForPolls(int more, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const int target = Polls() + more;
        return WaitUntil([&] { return Polls() >= target; }, limit);
    }

    // Called on the sending thread before the arrival is recorded.
    std::function<void(const Arrival&)> onArrival;
    // Called on the posting thread after a poll, before it is answered.
    std::function<void()> onPoll;

private:
    static std::vector<std::uint8_t> ReadFile(const std::string& path) {
        std::vector<std::uint8_t> bytes;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            std::uint8_t buffer[4096];
            while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file))
                bytes.insert(bytes.end(), buffer, buffer + got);
            std::fclose(file);
        }
        return bytes;
    }

    CScanner& scanner_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Arrival> arrivals_;
    int polls_ = 0;
    int inSend_ = 0;
    bool hold_ = false;
};

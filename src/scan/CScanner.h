#pragma once
// One scan run against the remote test unit, on a worker thread. The run connects to the share,
// keeps a copy of the unit's request file, writes the request built from the scanning
// properties, and collects the trace files the unit drops into SCAN: each is copied into the
// local temporary folder, deleted from the share and announced to the target. When the run
// ends the unit's request file is put back and the connection let go.
//
// The frame drives it from the user-interface thread:
//   - BeginScan when IsRunning is false; RequestStop to end the run;
//   - on 0x505 (kMsgScanPollDone, posted after every poll) RequestPoll: the next poll follows
//     as soon as the frame has answered;
//   - on 0x506 (the scanning dialogs accepted new values) RequestSend;
//   - 0x504 (kMsgScanTraceArrived) is sent from another thread with w the fibre index 0..3 and
//     l a const std::string* holding the UTF-8 local path (valid during the call); the worker
//     waits until it is handled;
//   - when closing: SetTargetWindow(nullptr) (releases a pending 0x504 at once), RequestStop,
//     WaitForThread(5000).
// Errors are shown with ShowError from the worker thread; the run then ends.

#include "platform/CAutoResetEvent.h"
#include "platform/CShareAccess.h"
#include "platform/CTargetSlot.h"
#include "scan/CScanSettings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CAppSettings;

class CScanner {
public:
    // Share paths and the local folder, relative to the share's root and the start-up folder.
    static constexpr const char* kRequestFile = "OPTREFL.PAR";
    static constexpr const char* kScanFolder = "SCAN";
    static constexpr const char* kTracePattern = "SCAN*.SOR";
    static constexpr const char* kTemporaryFolder = "temp";
    static constexpr const char* kLocalRequestCopy = "optrefl.par";
    // Larger files are refused rather than read into memory.
    static constexpr std::size_t kMaxRequestBytes = 1 << 20;
    static constexpr std::size_t kMaxTraceBytes = 64 << 20;

    // Reads the scanning properties and the start-up folder when a run begins and when a new
    // request is asked for.
    explicit CScanner(const CAppSettings& settings);
    // Stops a run and waits for its worker.
    ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // Starts a run; false, with nothing changed, while one is active.
    bool BeginScan();
    void RequestStop();
    // Takes the current properties; an active run writes them as its new request.
    void RequestSend();
    void RequestPoll();
    bool IsRunning() const { return running_.load(); }
    // True when no worker is left or it ended within the time.
    bool WaitForThread(int milliseconds);
    // Receiver of 0x504 and 0x505; null clears it.
    void SetTargetWindow(CMessageTarget* target) { target_.Set(target); }

    // How the last run ended: 0 after a stop or an error while running, -1 when it could not
    // start.
    int GetExitCode() const { return exitCode_.load(); }

private:
    enum class PollMode { Purge, Collect };

    void Run();
    bool OpenRun();
    void CloseRun();
    void WriteRequest();
    void Poll(PollMode mode);
    enum class Copy { Whole, Failed, Unfinished };
    // Copies one trace file to its local path: whole when it has the listed size and loads;
    // unfinished when it does not (the unit is still writing it); failed when it could not be
    // read or written.
    Copy CollectFile(const CShareAccess::Entry& entry, const std::string& localPath);
    CScanSettings Settings() const;

    const CAppSettings& appSettings_;
    // The properties as the user-interface thread last handed them over.
    mutable std::mutex settingsLock_;
    CScanSettings settings_;
    std::string startupFolder_;

    std::atomic<bool> running_{false};
    std::atomic<int> exitCode_{0};
    CTargetSlot target_;
    // Wait order is priority order.
    CAutoResetEvent stop_;
    CAutoResetEvent request_;
    CAutoResetEvent poll_;

    // The worker's own state.
    std::unique_ptr<CShareAccess> share_;
    bool connected_ = false;
    bool requestBackedUp_ = false;
    std::string temporaryFolder_;
    std::string localRequestCopy_;
    // Files that were not yet whole when last read: read again once their size or time
    // changes, or after a while, rather than on every poll.
    struct CUnfinished {
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        std::chrono::steady_clock::time_point readAt;
    };
    static constexpr std::chrono::seconds kRereadAfter{2};
    std::map<std::string, CUnfinished> unfinished_;

    std::thread thread_;
    std::mutex threadLock_;
    std::condition_variable threadEnded_;
    bool finished_ = true;
};

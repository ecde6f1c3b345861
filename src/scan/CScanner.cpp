#include "scan/CScanner.h"

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CAutoResetEvent.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/CShareAccess.h"
#include "platform/MainMessages.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/CScanSettings.h"
#include "scan/ScanRequest.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

// A trace file the viewer can open: recognised by its map and loaded whole.
bool LoadsAsTrace(const std::string& path) {
    try {
        if (IsGR196File(path)) {
            CGR196File file;
            file.Load(path);
            return true;
        }
        if (IsSR4731File(path)) {
            CSR4731File file;
            file.Load(path);
            return true;
        }
    } catch (const CException&) {
    }
    return false;
}

void WriteLocal(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    CBinaryFile file;
    file.OpenForWrite(path);
    file.Write(bytes.data(), bytes.size());
    file.Close();
}

} // namespace

struct CScanner::CRun {
    CRun(CScanSettings settings, std::string startupFolder, std::shared_ptr<CTargetSlot> target,
         CPrompts& prompts)
        : settings_(std::move(settings)), startupFolder_(std::move(startupFolder)),
          target_(std::move(target)), prompts_(prompts) {}

    void SetSettings(const CScanSettings& settings) {
        std::lock_guard guard(settingsLock_);
        settings_ = settings;
    }
    CScanSettings Settings() const {
        std::lock_guard guard(settingsLock_);
        return settings_;
    }
    bool WaitUntilFinished(std::chrono::milliseconds limit) {
        std::unique_lock lock(threadLock_);
        return threadEnded_.wait_for(lock, limit, [this] { return finished_; });
    }

    void Run();

    // Set from the user-interface thread.
    CAutoResetEvent stop_;
    CAutoResetEvent request_;
    CAutoResetEvent poll_;
    // The scanner is gone: the worker ends on its own and shows nothing.
    std::atomic<bool> abandoned_{false};
    // Read from the user-interface thread.
    std::atomic<bool> running_{true};
    std::atomic<int> exitCode_{0};

private:
    enum class PollMode { Purge, Collect };
    enum class Copy { Taken, Failed, Unfinished };
    // A file's listing: the same size and time a second apart means the unit is done with it.
    struct CListing {
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        bool operator==(const CListing&) const = default;
    };
    struct CUnfinished {
        CListing listing;
        std::chrono::steady_clock::time_point since;
    };
    static constexpr std::chrono::seconds kStillFor{1};

    bool OpenRun();
    void CloseRun();
    void WriteRequest();
    void Poll(PollMode mode);
    // Copies one trace file to its local path: taken when it has the listed size and loads,
    // or whatever it holds when complete; unfinished when the unit may still be writing it;
    // failed when it could not be read or written.
    Copy CollectFile(const CShareAccess::Entry& entry, const std::string& localPath, bool complete);
    void Report(const std::string& text) {
        if (!abandoned_.load())
            prompts_.Show(text, kProgramTitle, CPrompts::Icon::Error);
    }

    mutable std::mutex settingsLock_;
    CScanSettings settings_;
    const std::string startupFolder_;
    const std::shared_ptr<CTargetSlot> target_;
    CPrompts& prompts_;

    std::mutex threadLock_;
    std::condition_variable threadEnded_;
    bool finished_ = false;

    // The worker's own state.
    std::unique_ptr<CShareAccess> share_;
    bool connected_ = false;
    bool requestBackedUp_ = false;
    // The last request written, what the unit is left when it had none of its own.
    std::string writtenRequest_;
    std::string temporaryFolder_;
    std::string localRequestCopy_;
    // Files that did not load when last read, since when their listing has not changed.
    std::map<std::string, CUnfinished> unfinished_;
    // Copied and announced, but the share would not let them go: never taken again.
    std::map<std::string, CListing> kept_;
    // Over the size cap: reported once, never read.
    std::map<std::string, CListing> oversized_;
};

CScanner::CScanner(const CAppSettings& settings, CPrompts& prompts)
    : appSettings_(settings), prompts_(prompts) {}

CScanner::~CScanner() {
    target_->Set(nullptr);
    RequestStop();
    if (!thread_.joinable())
        return;
    // The frame has waited for it already; the process must not wait longer for a unit that
    // does not answer.
    if (run_->WaitUntilFinished(std::chrono::milliseconds(0))) {
        thread_.join();
        return;
    }
    run_->abandoned_.store(true);
    thread_.detach();
}

bool CScanner::BeginScan() {
    if (IsRunning())
        return false;
    if (thread_.joinable())
        thread_.join(); // the previous run has closed; only its last steps remain
    closeDeadline_.reset();
    run_ = std::make_shared<CRun>(appSettings_.GetScanSettings(), appSettings_.StartupFolder(),
                                  target_, prompts_);
    thread_ = std::thread([run = run_] { run->Run(); });
    return true;
}

void CScanner::RequestStop() {
    if (run_)
        run_->stop_.Set();
}

void CScanner::RequestSend() {
    if (!run_)
        return;
    run_->SetSettings(appSettings_.GetScanSettings());
    run_->request_.Set();
}

void CScanner::RequestPoll() {
    if (run_)
        run_->poll_.Set();
}

bool CScanner::IsRunning() const {
    return run_ && run_->running_.load();
}

int CScanner::GetExitCode() const {
    return run_ ? run_->exitCode_.load() : 0;
}

bool CScanner::WaitForThread(int milliseconds) {
    if (!thread_.joinable())
        return true;
    if (!run_->WaitUntilFinished(std::chrono::milliseconds(std::max(milliseconds, 0))))
        return false;
    thread_.join();
    return true;
}

bool CScanner::StopForClose(int milliseconds) {
    const auto now = std::chrono::steady_clock::now();
    if (!closeDeadline_)
        closeDeadline_ = now + std::chrono::milliseconds(milliseconds);
    target_->Set(nullptr);
    RequestStop();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*closeDeadline_ - now).count();
    return WaitForThread(static_cast<int>(std::max<std::int64_t>(left, 0)));
}

void CScanner::CRun::Run() {
    int exitCode = 0;
    if (OpenRun()) {
        try {
            for (;;) {
                const int event = WaitForAny({&stop_, &request_, &poll_}, std::chrono::hours(1));
                if (event == 0)
                    break;
                if (event == 1)
                    WriteRequest();
                else if (event == 2)
                    Poll(PollMode::Collect);
            }
        } catch (const CException& e) {
            Report(e.GetErrorMessage());
        } catch (const std::exception& e) {
            Report(e.what());
        }
    } else {
        exitCode = -1;
    }
    CloseRun();
    exitCode_.store(exitCode);
    running_.store(false);
    {
        std::lock_guard guard(threadLock_);
        finished_ = true;
    }
    threadEnded_.notify_all();
}

bool CScanner::CRun::OpenRun() {
    try {
        const CScanSettings settings = Settings();
        char address[32];
        std::snprintf(address, sizeof address, "%d.%d.%d.%d", settings.GetIpOctet(0),
                      settings.GetIpOctet(1), settings.GetIpOctet(2), settings.GetIpOctet(3));
        // The record holds Windows-1251; names, paths and passwords go out as UTF-8.
        const std::string rtu =
            settings.GetUseIp() ? address : TextCodec::Cp1251ToUtf8(settings.GetRtuName());
        std::optional<std::string> password = settings.GetPassword();
        if (password)
            password = TextCodec::Cp1251ToUtf8(*password);
        share_ = CShareAccess::Open(rtu, password);
        share_->Connect();
        connected_ = true;

        temporaryFolder_ = startupFolder_ + "/" + kTemporaryFolder;
        localRequestCopy_ = temporaryFolder_ + "/" + kLocalRequestCopy;
        // Without the folder the unit's request could not be kept and every copy would fail:
        // better not to start at all.
        std::error_code error;
        std::filesystem::create_directories(temporaryFolder_, error);
        if (!std::filesystem::is_directory(temporaryFolder_))
            throw CFileException(error ? error.value() : ENOTDIR, temporaryFolder_);

        // Keep the unit's request file. It may have none; any other failure would lose it
        // when the request is written, so the run does not start.
        try {
            WriteLocal(localRequestCopy_, share_->ReadFile(kRequestFile, kMaxRequestBytes));
            requestBackedUp_ = true;
        } catch (const CNetException& e) {
            if (e.GetCode() != ENOENT)
                throw;
        }

        Poll(PollMode::Purge);
    } catch (const CException& e) {
        Report(e.GetErrorMessage());
        return false;
    } catch (const std::exception& e) {
        Report(e.what());
        return false;
    }
    request_.Set();
    poll_.Set();
    return true;
}

void CScanner::CRun::CloseRun() {
    // The unit is left a request that keeps it idle: its own, or when it had none the scan's.
    std::optional<std::string> request;
    if (requestBackedUp_) {
        try {
            CBinaryFile copy;
            copy.OpenForRead(localRequestCopy_, kMaxRequestBytes);
            request.emplace(reinterpret_cast<const char*>(copy.GetData()), copy.GetLength());
        } catch (const CException&) {
        }
    } else if (!writtenRequest_.empty()) {
        request = writtenRequest_;
    }
    if (request && connected_) {
        const std::string idle = IdleRequest(*request);
        try {
            share_->WriteFile(kRequestFile, {idle.begin(), idle.end()});
        } catch (const CException&) {
        }
    }
    requestBackedUp_ = false;
    writtenRequest_.clear();
    if (connected_) {
        share_->Disconnect();
        connected_ = false;
    }
    share_.reset();
}

void CScanner::CRun::WriteRequest() {
    const std::string text = BuildScanRequest(Settings()).Format();
    writtenRequest_ = text;
    share_->WriteFile(kRequestFile, {text.begin(), text.end()});
}

void CScanner::CRun::Poll(PollMode mode) {
    const std::vector<CShareAccess::Entry> entries = share_->List(kScanFolder, kTracePattern);
    const CScanSettings settings = Settings();

    const auto now = std::chrono::steady_clock::now();
    std::map<std::string, CUnfinished> stillUnfinished;
    std::map<std::string, CListing> stillKept;
    std::map<std::string, CListing> stillOversized;
    for (const CShareAccess::Entry& entry : entries) {
        // A name is a single part, whatever a server sends.
        if (entry.name.find('/') != std::string::npos || entry.name.size() < 5)
            continue;
        const std::string sharePath = std::string(kScanFolder) + "/" + entry.name;
        if (mode == PollMode::Purge) {
            try {
                share_->DeleteFile(sharePath);
            } catch (const CException&) {
            }
            continue;
        }
        const CListing listing{entry.size, entry.modified};
        if (const auto it = kept_.find(entry.name); it != kept_.end() && it->second == listing) {
            stillKept.insert(*it);
            continue;
        }
        if (entry.size > kMaxTraceBytes) {
            const auto it = oversized_.find(entry.name);
            if (it == oversized_.end())
                Report(CFileException(EFBIG, sharePath).GetErrorMessage());
            stillOversized[entry.name] = listing;
            continue;
        }
        // A file that did not load is read again only when it has changed, or once it has
        // stood still long enough to count as complete.
        bool complete = false;
        std::chrono::steady_clock::time_point since = now;
        if (const auto it = unfinished_.find(entry.name);
            it != unfinished_.end() && it->second.listing == listing) {
            since = it->second.since;
            complete = now - since >= kStillFor;
            if (!complete) {
                stillUnfinished.insert(*it);
                continue;
            }
        }
        const std::string localPath = temporaryFolder_ + "/" + entry.name;
        const Copy copy = CollectFile(entry, localPath, complete);
        if (copy == Copy::Unfinished)
            stillUnfinished[entry.name] = {listing, since};
        if (copy != Copy::Taken)
            continue;
        // Only a whole local copy lets the share's file go. One the share keeps is remembered,
        // so that it is neither copied nor announced again.
        try {
            share_->DeleteFile(sharePath);
        } catch (const CException&) {
            stillKept[entry.name] = listing;
        }
        const int fiber = static_cast<unsigned char>(entry.name[4]) - '1';
        if (fiber >= 0 && fiber < kFiberCount && settings.IsFiberEnabled(fiber))
            NotifyTraceArrived(*target_, fiber, localPath);
    }
    if (mode == PollMode::Collect) {
        unfinished_ = std::move(stillUnfinished);
        kept_ = std::move(stillKept);
        oversized_ = std::move(stillOversized);
    }
    NotifyScanPollDone(*target_);
}

CScanner::CRun::Copy CScanner::CRun::CollectFile(const CShareAccess::Entry& entry,
                                                 const std::string& localPath, bool complete) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = share_->ReadFile(std::string(kScanFolder) + "/" + entry.name, kMaxTraceBytes);
    } catch (const CNetException& e) {
        return e.GetCode() == EFBIG ? Copy::Unfinished : Copy::Failed;
    }
    // A file that grew or shrank since the listing is still being written.
    if (bytes.size() != entry.size)
        return Copy::Unfinished;
    try {
        WriteLocal(localPath, bytes);
    } catch (const CException&) {
        return Copy::Failed;
    }
    // A complete file is taken whatever it holds: the frame says why it does not open.
    if (complete || LoadsAsTrace(localPath))
        return Copy::Taken;
    std::error_code ignored;
    std::filesystem::remove(localPath, ignored);
    return Copy::Unfinished;
}

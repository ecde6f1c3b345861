#include "scan/CScanner.h"

#include "formats/bellcore/CGR196File.h"
#include "formats/bellcore/CSR4731File.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/ScanRequest.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>

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

CScanner::CScanner(const CAppSettings& settings) : appSettings_(settings) {}

CScanner::~CScanner() {
    target_.Set(nullptr);
    RequestStop();
    if (thread_.joinable())
        thread_.join();
}

bool CScanner::BeginScan() {
    if (running_.load())
        return false;
    if (thread_.joinable())
        thread_.join(); // the previous run has closed; only its last steps remain
    {
        std::lock_guard guard(settingsLock_);
        settings_ = appSettings_.GetScanSettings();
        startupFolder_ = appSettings_.StartupFolder();
    }
    // A stop left over from an earlier run must not end this one, but a stop pressed while
    // this one connects must: so the stop is cleared here and not when the run has opened.
    stop_.Reset();
    request_.Reset();
    poll_.Reset();
    {
        std::lock_guard guard(threadLock_);
        finished_ = false;
    }
    running_.store(true);
    thread_ = std::thread(&CScanner::Run, this);
    return true;
}

void CScanner::RequestStop() {
    stop_.Set();
}

void CScanner::RequestSend() {
    {
        std::lock_guard guard(settingsLock_);
        settings_ = appSettings_.GetScanSettings();
    }
    request_.Set();
}

void CScanner::RequestPoll() {
    poll_.Set();
}

bool CScanner::WaitForThread(int milliseconds) {
    if (!thread_.joinable())
        return true;
    {
        std::unique_lock lock(threadLock_);
        if (!threadEnded_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [this] { return finished_; }))
            return false;
    }
    thread_.join();
    return true;
}

CScanSettings CScanner::Settings() const {
    std::lock_guard guard(settingsLock_);
    return settings_;
}

void CScanner::Run() {
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
            ShowError(e.GetErrorMessage());
        } catch (const std::exception& e) {
            ShowError(e.what());
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

bool CScanner::OpenRun() {
    requestBackedUp_ = false;
    connected_ = false;
    unfinished_.clear();
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

        {
            std::lock_guard guard(settingsLock_);
            temporaryFolder_ = startupFolder_ + "/" + kTemporaryFolder;
        }
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
        ShowError(e.GetErrorMessage());
        return false;
    } catch (const std::exception& e) {
        ShowError(e.what());
        return false;
    }
    request_.Set();
    poll_.Set();
    return true;
}

void CScanner::CloseRun() {
    if (requestBackedUp_) {
        try {
            CBinaryFile copy;
            copy.OpenForRead(localRequestCopy_, kMaxRequestBytes);
            share_->WriteFile(kRequestFile, {copy.GetData(), copy.GetData() + copy.GetLength()});
        } catch (const CException&) {
        }
        requestBackedUp_ = false;
    }
    if (connected_) {
        share_->Disconnect();
        connected_ = false;
    }
    share_.reset();
    unfinished_.clear();
}

void CScanner::WriteRequest() {
    const std::string text = BuildScanRequest(Settings()).Format();
    share_->WriteFile(kRequestFile, {text.begin(), text.end()});
}

void CScanner::Poll(PollMode mode) {
    const std::vector<CShareAccess::Entry> entries = share_->List(kScanFolder, kTracePattern);
    const CScanSettings settings = Settings();

    const auto now = std::chrono::steady_clock::now();
    std::map<std::string, CUnfinished> stillUnfinished;
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
        // The unit is still writing an empty file; a later poll takes it.
        if (entry.size == 0)
            continue;
        if (const auto it = unfinished_.find(entry.name);
            it != unfinished_.end() && it->second.size == entry.size &&
            it->second.modified == entry.modified && now - it->second.readAt < kRereadAfter) {
            stillUnfinished.insert(*it);
            continue;
        }
        const std::string localPath = temporaryFolder_ + "/" + entry.name;
        const Copy copy = CollectFile(entry, localPath);
        if (copy == Copy::Unfinished)
            stillUnfinished[entry.name] = {entry.size, entry.modified, now};
        if (copy != Copy::Whole)
            continue;
        // Only a whole local copy lets the share's file go.
        try {
            share_->DeleteFile(sharePath);
        } catch (const CException&) {
            continue;
        }
        const int fiber = static_cast<unsigned char>(entry.name[4]) - '1';
        if (fiber >= 0 && fiber < CScanSettings::kFiberCount && settings.IsFiberEnabled(fiber))
            target_.SendText(kMsgScanTraceArrived, static_cast<std::uintptr_t>(fiber), localPath);
    }
    if (mode == PollMode::Collect)
        unfinished_ = std::move(stillUnfinished);
    target_.Post(kMsgScanPollDone, 0, 0);
}

CScanner::Copy CScanner::CollectFile(const CShareAccess::Entry& entry,
                                     const std::string& localPath) {
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
    if (LoadsAsTrace(localPath))
        return Copy::Whole;
    std::error_code ignored;
    std::filesystem::remove(localPath, ignored);
    return Copy::Unfinished;
}

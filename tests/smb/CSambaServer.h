#pragma once
// A private Samba server for the tests and benchmarks: smbd on 127.0.0.1 at a free port, its
// configuration, databases, locks and pid files in a temporary folder, exporting one folder as
// TRACES to one account with a password. Needs root (smbd, useradd, smbpasswd); Unavailable
// says why it cannot run here. Every process it starts is stopped by its id.

#include <string>
#include <sys/types.h>
#include <vector>

// A program started with its output sent to a file; stopped with SIGTERM, then SIGKILL.
class CChildProcess {
public:
    CChildProcess() = default;
    // Throws std::runtime_error when the program cannot be started.
    CChildProcess(const std::vector<std::string>& arguments, const std::string& outputPath);
    ~CChildProcess() { Stop(); }
    CChildProcess(CChildProcess&& other) noexcept;
    CChildProcess& operator=(CChildProcess&& other) noexcept;

    pid_t GetPid() const { return pid_; }
    bool IsRunning();
    // Waits up to the time for it to end by itself; true when it has.
    bool WaitForExit(int milliseconds);
    void Stop();

private:
    pid_t pid_ = -1;
};

// Runs a program to its end; its exit status, or -1.
int RunProgram(const std::vector<std::string>& arguments, const std::string& input = {});

class CSambaServer {
public:
    static constexpr const char* kUser = "lumetra-rtu";

    // Empty when a server can be started here, else the reason it cannot.
    static std::string Unavailable();
    // The account's Unix user, made when missing.
    static void EnsureUser();
    // Hands a file or folder to the account, so it may change it over the share.
    static void GiveToUser(const std::string& path);

    // Exports the folder as TRACES; throws std::runtime_error with smbd's log when it fails.
    CSambaServer(const std::string& folder, const std::string& password);
    ~CSambaServer();
    CSambaServer(const CSambaServer&) = delete;
    CSambaServer& operator=(const CSambaServer&) = delete;

    int GetPort() const { return port_; }
    pid_t GetPid() const { return smbd_.GetPid(); }
    // Stops smbd and its helpers; the server cannot be started again.
    void Stop();
    std::string Log() const;

private:
    std::string work_;
    int port_ = 0;
    CChildProcess smbd_;
};

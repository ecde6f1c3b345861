#include "smb/CSambaServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Argv(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Sleeps in small steps until the condition holds or the time is up.
template <typename F> bool PollFor(int milliseconds, F&& condition) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool ProcessExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A pid file may outlive its process and the number be reused: only Samba's own are stopped.
bool IsSambaProcess(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name.rfind("samba", 0) == 0 || name.rfind("rpcd", 0) == 0 || name.rfind("smbd", 0) == 0;
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string FindProgram(const std::string& name) {
    for (const char* folder : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/sbin"}) {
        const fs::path path = fs::path(folder) / name;
        if (::access(path.c_str(), X_OK) == 0)
            return path.string();
    }
    return {};
}

} // namespace

CChildProcess::CChildProcess(const std::vector<std::string>& arguments,
                             const std::string& outputPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv = Argv(arguments);
    const int error = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(error));
    }
}

CChildProcess::CChildProcess(CChildProcess&& other) noexcept : pid_(other.pid_) {
    other.pid_ = -1;
}

CChildProcess& CChildProcess::operator=(CChildProcess&& other) noexcept {
    if (this != &other) {
        Stop();
        pid_ = other.pid_;
        other.pid_ = -1;
    }
    return *this;
}

bool CChildProcess::IsRunning() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

bool CChildProcess::WaitForExit(int milliseconds) {
    return PollFor(milliseconds, [this] { return !IsRunning(); });
}

void CChildProcess::Stop() {
    if (!IsRunning())
        return;
    ::kill(pid_, SIGTERM);
    if (WaitForExit(5000))
        return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

int RunProgram(const std::vector<std::string>& arguments, const std::string& input) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = Argv(arguments);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    if (error == 0 && !input.empty())
        (void)!::write(pipeFds[1], input.data(), input.size());
    ::close(pipeFds[1]);
    if (error != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string CSambaServer::Unavailable() {
    if (FindProgram("smbd").empty())
        return "smbd is not installed (apt-get install samba)";
    if (FindProgram("smbpasswd").empty())
        return "smbpasswd is not installed";
    if (::geteuid() != 0)
        return "a private smbd and its account need root";
    return {};
}

void CSambaServer::EnsureUser() {
    if (::getpwnam(kUser))
        return;
    // Another test program may be adding it at the same moment; what counts is that it exists.
    RunProgram({FindProgram("useradd"), "--system", "--no-create-home", "--shell",
                "/usr/sbin/nologin", kUser});
    if (!::getpwnam(kUser))
        throw std::runtime_error(std::string("cannot add the account ") + kUser);
}

void CSambaServer::GiveToUser(const std::string& path) {
    const passwd* account = ::getpwnam(kUser);
    if (!account || ::chown(path.c_str(), account->pw_uid, account->pw_gid) != 0)
        throw std::runtime_error("cannot hand " + path + " to " + kUser);
}

CSambaServer::CSambaServer(const std::string& folder, const std::string& password) {
    char pattern[] = "/tmp/lumetra-smbd-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("cannot make a folder for smbd");
    work_ = pattern;
    for (const char* part : {"private", "lock", "state", "cache", "pid", "ncalrpc"})
        fs::create_directory(work_ + "/" + part);
    EnsureUser();
    port_ = FreePort();

    const std::string config = work_ + "/smb.conf";
    std::ofstream(config) << "[global]\n"
                          << "server role = standalone server\n"
                          << "interfaces = 127.0.0.1\n"
                          << "bind interfaces only = yes\n"
                          << "smb ports = " << port_ << "\n"
                          << "disable netbios = yes\n"
                          << "private dir = " << work_ << "/private\n"
                          << "lock directory = " << work_ << "/lock\n"
                          << "state directory = " << work_ << "/state\n"
                          << "cache directory = " << work_ << "/cache\n"
                          << "pid directory = " << work_ << "/pid\n"
                          << "ncalrpc dir = " << work_ << "/ncalrpc\n"
                          << "passdb backend = tdbsam:" << work_ << "/passdb.tdb\n"
                          << "map to guest = never\n"
                          << "guest account = " << kUser << "\n"
                          << "load printers = no\n"
                          << "printcap name = /dev/null\n"
                          << "disable spoolss = yes\n"
                          << "[TRACES]\n"
                          << "path = " << folder << "\n"
                          << "read only = no\n"
                          // Guests are welcome, so that a client falling back to a guest
                          // login after a refused password would get in and be seen.
                          << "guest ok = yes\n";

    if (RunProgram({FindProgram("smbpasswd"), "-c", config, "-s", "-a", kUser},
                   password + "\n" + password + "\n") != 0)
        throw std::runtime_error("smbpasswd could not add the Samba user");

    // Its helpers outlive it for a moment: they come back to this process, which reaps them,
    // instead of lingering as zombies under init.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    // smbd makes its own process group; never --no-process-group, or stopping it would
    // signal ours.
    smbd_ = CChildProcess({FindProgram("smbd"), "--foreground", "--debug-stdout", "-s", config},
                          work_ + "/smbd.log");
    if (!PollFor(20000, [this] { return Accepts(port_) || !smbd_.IsRunning(); }) ||
        !smbd_.IsRunning()) {
        const std::string log = Log();
        Stop();
        throw std::runtime_error("smbd did not start:\n" + log);
    }
}

CSambaServer::~CSambaServer() {
    Stop();
    std::error_code ignored;
    fs::remove_all(work_, ignored);
}

void CSambaServer::Stop() {
    const pid_t group = smbd_.GetPid();
    smbd_.Stop();
    // Helpers that outlive it: the connection processes of its group, and samba-dcerpcd and
    // the like, which leave their pids in the pid folder.
    if (group > 0) {
        const auto groupGone = [group] {
            while (::waitpid(-group, nullptr, WNOHANG) > 0) {
            }
            return ::kill(-group, 0) != 0;
        };
        ::kill(-group, SIGTERM);
        if (!PollFor(3000, groupGone)) {
            ::kill(-group, SIGKILL);
            PollFor(3000, groupGone);
        }
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(work_ + "/pid", error)) {
        if (entry.path().extension() != ".pid")
            continue;
        std::ifstream in(entry.path());
        pid_t pid = 0;
        if (!(in >> pid) || pid <= 1 || pid == group || !IsSambaProcess(pid))
            continue;
        ::kill(pid, SIGTERM);
        if (!PollFor(3000, [pid] { return !ProcessExists(pid); }))
            ::kill(pid, SIGKILL);
    }
}

std::string CSambaServer::Log() const {
    std::ifstream in(work_ + "/smbd.log");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

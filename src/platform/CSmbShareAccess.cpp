#include "platform/CSmbShareAccess.h"

#include "platform/CException.h"

#include <libsmbclient.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <unistd.h>

namespace {

[[noreturn]] void FailWith(int error) {
    throw CNetException(error != 0 ? error : EIO);
}

// The library reports through errno; take it before anything else can change it.
[[noreturn]] void FailWithErrno() {
    FailWith(errno);
}

std::string CurrentAccount() {
    if (const char* user = std::getenv(CSmbShareAccess::kUserVariable); user && *user)
        return user;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return entry->pw_name;
    return {};
}

std::uint16_t PortOverride() {
    const char* text = std::getenv(CSmbShareAccess::kPortVariable);
    if (!text || !*text)
        return 0;
    char* end = nullptr;
    const long port = std::strtol(text, &end, 10);
    return *end == '\0' && port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

void CopyField(char* field, int size, const std::string& value) {
    if (size <= 0)
        return;
    const std::size_t count = std::min(value.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(field, value.data(), count);
    field[count] = '\0';
}

std::string PercentEncoded(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Closes a file or folder handle of the library when the scope ends.
class CSmbHandle {
public:
    CSmbHandle(SMBCCTX* context, SMBCFILE* file, bool folder)
        : context_(context), file_(file), folder_(folder) {}
    ~CSmbHandle() {
        if (file_)
            Close();
    }
    CSmbHandle(const CSmbHandle&) = delete;
    CSmbHandle& operator=(const CSmbHandle&) = delete;

    SMBCFILE* Get() const { return file_; }
    // Returns the library's answer, so a failed close of a written file is seen.
    int Close() {
        SMBCFILE* file = file_;
        file_ = nullptr;
        return folder_ ? smbc_getFunctionClosedir(context_)(context_, file)
                       : smbc_getFunctionClose(context_)(context_, file);
    }

private:
    SMBCCTX* context_;
    SMBCFILE* file_;
    bool folder_;
};

} // namespace

CSmbShareAccess::CSmbShareAccess(std::string host, std::optional<std::string> password)
    : host_(std::move(host)), password_(std::move(password)), user_(CurrentAccount()),
      port_(PortOverride()) {}

CSmbShareAccess::~CSmbShareAccess() {
    Disconnect();
}

void CSmbShareAccess::Authenticate(SMBCCTX* context, const char*, const char*, char*, int,
                                   char* user, int userSize, char* password, int passwordSize) {
    const auto* self = static_cast<const CSmbShareAccess*>(smbc_getOptionUserData(context));
    CopyField(user, userSize, self->user_);
    CopyField(password, passwordSize, self->password_.value_or(std::string()));
}

std::string CSmbShareAccess::Url(const std::string& path) const {
    std::string url = "smb://" + host_ + "/TRACES";
    if (!path.empty()) {
        // Appended piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on "/" + temporary.
        url += '/';
        url += PercentEncoded(path);
    }
    return url;
}

SMBCCTX* CSmbShareAccess::Context() const {
    if (!context_)
        FailWith(ENOTCONN);
    return context_;
}

void CSmbShareAccess::Connect() {
    if (context_)
        return;
    SMBCCTX* context = smbc_new_context();
    if (!context)
        FailWithErrno();
    smbc_setDebug(context, 0);
    smbc_setOptionUserData(context, this);
    smbc_setFunctionAuthDataWithContext(context, &CSmbShareAccess::Authenticate);
    // Without this the library logs in as guest when the password is refused.
    smbc_setOptionNoAutoAnonymousLogin(context, 1);
    smbc_setOptionUseKerberos(context, 0);
    smbc_setOptionUseCCache(context, 0);
    smbc_setTimeout(context, kTimeoutMs);
    if (!user_.empty())
        smbc_setUser(context, user_.c_str());
    if (port_ != 0)
        smbc_setPort(context, port_);
    if (!smbc_init_context(context)) {
        const int error = errno;
        smbc_free_context(context, 1);
        FailWith(error);
    }
    context_ = context;

    // The library connects on first use: log in now, so a refused password shows here.
    SMBCFILE* root = smbc_getFunctionOpendir(context_)(context_, Url("").c_str());
    if (!root) {
        const int error = errno;
        Disconnect();
        FailWith(error);
    }
    CSmbHandle(context_, root, true).Close();
}

void CSmbShareAccess::Disconnect() {
    if (!context_)
        return;
    smbc_free_context(context_, 1);
    context_ = nullptr;
}

std::vector<CShareAccess::Entry> CSmbShareAccess::List(const std::string& folder,
                                                       const std::string& pattern) {
    SMBCCTX* context = Context();
    std::vector<Entry> entries;
    SMBCFILE* opened = smbc_getFunctionOpendir(context)(context, Url(folder).c_str());
    if (!opened) {
        if (errno == ENOENT || errno == ENOTDIR)
            return entries;
        FailWithErrno();
    }
    CSmbHandle dir(context, opened, true);
    constexpr std::uint16_t kDirectoryAttribute = 0x10;
    const auto next = smbc_getFunctionReaddirPlus(context);
    while (const libsmb_file_info* info = next(context, dir.Get())) {
        if (!info->name || (info->attrs & kDirectoryAttribute) || !NameMatches(pattern, info->name))
            continue;
        entries.push_back({info->name, info->size,
                           static_cast<std::int64_t>(info->mtime_ts.tv_sec) * 1000000000 +
                               info->mtime_ts.tv_nsec});
    }
    return entries;
}

std::vector<std::uint8_t> CSmbShareAccess::ReadFile(const std::string& path, std::size_t maxBytes) {
    SMBCCTX* context = Context();
    SMBCFILE* opened = smbc_getFunctionOpen(context)(context, Url(path).c_str(), O_RDONLY, 0);
    if (!opened)
        FailWithErrno();
    CSmbHandle file(context, opened, false);
    std::vector<std::uint8_t> bytes;
    const auto read = smbc_getFunctionRead(context);
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t done = bytes.size();
        if (done > maxBytes)
            FailWith(EFBIG);
        bytes.resize(done + kChunk);
        const ssize_t got = read(context, file.Get(), bytes.data() + done, kChunk);
        if (got < 0)
            FailWithErrno();
        bytes.resize(done + static_cast<std::size_t>(got));
        if (got == 0)
            break;
    }
    if (bytes.size() > maxBytes)
        FailWith(EFBIG);
    return bytes;
}

void CSmbShareAccess::WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    SMBCCTX* context = Context();
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // A hidden name beside the target that matches no pattern the unit looks for.
    std::random_device seed;
    const std::string temporary =
        folder + "." + base + ".tmp" + std::to_string(std::mt19937(seed())() % 1000000);
    const std::string temporaryUrl = Url(temporary);

    SMBCFILE* opened = smbc_getFunctionOpen(context)(context, temporaryUrl.c_str(),
                                                     O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (!opened)
        FailWithErrno();
    CSmbHandle file(context, opened, false);
    int error = 0;
    const auto write = smbc_getFunctionWrite(context);
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
        const ssize_t put = write(context, file.Get(), bytes.data() + done, bytes.size() - done);
        if (put <= 0)
            error = put < 0 ? errno : EIO;
        else
            done += static_cast<std::size_t>(put);
    }
    if (file.Close() != 0 && error == 0)
        error = errno;
    if (error == 0 && smbc_getFunctionRename(context)(context, temporaryUrl.c_str(), context,
                                                      Url(path).c_str()) != 0)
        error = errno;
    if (error != 0) {
        smbc_getFunctionUnlink(context)(context, temporaryUrl.c_str());
        FailWith(error);
    }
}

void CSmbShareAccess::DeleteFile(const std::string& path) {
    SMBCCTX* context = Context();
    if (smbc_getFunctionUnlink(context)(context, Url(path).c_str()) != 0)
        FailWithErrno();
}

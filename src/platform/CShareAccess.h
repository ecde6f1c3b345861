#pragma once
// Access to the remote test unit's share TRACES: list, read, write and delete files relative to
// the share's root, "/" between folders (no drive letters). Two kinds: the SMB share reached
// through libsmbclient, and a local folder standing in for it (a share the user mounted, the
// unit's stand-in, tests). Every failure raises CNetException with errno and the system's text
// for it. An object is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CShareAccess {
public:
    // A file of a listing.
    struct Entry {
        std::string name;
        std::uint64_t size = 0;
        std::int64_t modified = 0; // ns since 1970; 0 when unknown
    };

    virtual ~CShareAccess() = default;
    CShareAccess(const CShareAccess&) = delete;
    CShareAccess& operator=(const CShareAccess&) = delete;

    // Checks the name (below) and gives an access that is not yet connected: an absolute folder
    // is a local share, anything else the SMB share \\rtu\TRACES. The password is UTF-8, none
    // when absent. A name that is neither a host name, a dotted IPv4 address nor an absolute
    // folder raises CAbortException before anything is touched.
    static std::unique_ptr<CShareAccess> Open(const std::string& rtu,
                                              const std::optional<std::string>& password);
    // A host name (letters, digits, '-', '_' in dot-separated labels), a dotted IPv4 address, or
    // an absolute folder.
    static bool IsValidRtuName(const std::string& rtu);
    // "\\host\TRACES", or the folder.
    virtual std::string GetRemoteName() const = 0;

    // Reaches the share and checks that it can be read. Nothing else works before it.
    virtual void Connect() = 0;
    // Lets the connection go; never fails.
    virtual void Disconnect() = 0;

    // Regular files of the folder whose names match the wildcard, case-insensitively, in the
    // order the file system gives them. A missing folder has none.
    virtual std::vector<Entry> List(const std::string& folder, const std::string& pattern) = 0;
    // The whole file; EFBIG when it holds more than maxBytes.
    virtual std::vector<std::uint8_t> ReadFile(const std::string& path, std::size_t maxBytes) = 0;
    // Replaces the file only once all of it is written, through a temporary file beside it.
    virtual void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
    virtual void DeleteFile(const std::string& path) = 0;

    // fnmatch with case folding, as the unit's file system matches names.
    static bool NameMatches(const std::string& pattern, const std::string& name);

protected:
    CShareAccess() = default;
};

// The text shown when a name is refused (UTF-8); the name is quoted in it.
std::string InvalidRtuNameMessage(const std::string& rtu);

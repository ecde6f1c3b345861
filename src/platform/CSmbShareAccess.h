#pragma once
// The share \\host\TRACES reached through libsmbclient: no mount and no privileges. Logs in as
// the current account with the stored password; a wrong password is an error, never a quiet
// guest login. One connection is kept from Connect to Disconnect, and the library reconnects
// by itself after the server restarts.

#include "platform/CShareAccess.h"

#include <cstdint>

struct _SMBCCTX;

class CSmbShareAccess : public CShareAccess {
public:
    // Overrides for set-ups other than the usual one: the server's port (default: the
    // library's choice, 445 then 139) and the account to log in as (default: the current one).
    static constexpr const char* kPortVariable = "LUMETRA_SMB_PORT";
    static constexpr const char* kUserVariable = "LUMETRA_SMB_USER";
    // Each request to the server gives up after this long.
    static constexpr int kTimeoutMs = 10000;

    // The host is a name or a dotted address; the password UTF-8, none when absent.
    CSmbShareAccess(std::string host, std::optional<std::string> password);
    ~CSmbShareAccess() override;

    std::string GetRemoteName() const override { return "\\\\" + host_ + "\\TRACES"; }
    void Connect() override;
    void Disconnect() override;
    std::vector<Entry> List(const std::string& folder, const std::string& pattern) override;
    std::vector<std::uint8_t> ReadFile(const std::string& path, std::size_t maxBytes) override;
    void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
    void DeleteFile(const std::string& path) override;

private:
    static void Authenticate(_SMBCCTX* context, const char* server, const char* share,
                             char* workgroup, int workgroupSize, char* user, int userSize,
                             char* password, int passwordSize);
    // smb://host/TRACES/path, each part percent-encoded.
    std::string Url(const std::string& path) const;
    _SMBCCTX* Context() const;

    std::string host_;
    std::optional<std::string> password_;
    std::string user_;
    std::uint16_t port_ = 0;
    _SMBCCTX* context_ = nullptr;
};

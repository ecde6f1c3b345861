#pragma once
// A local folder standing in for the share. Names are found without regard to case, as on
// the unit's own file system, so "SCAN/scan1.sor" reaches "scan/SCAN1.SOR".

#include "platform/CShareAccess.h"

class CLocalShareAccess : public CShareAccess {
public:
    // The folder is absolute.
    explicit CLocalShareAccess(std::string folder);

    std::string GetRemoteName() const override { return folder_; }
    void Connect() override;
    void Disconnect() override {}
    std::vector<Entry> List(const std::string& folder, const std::string& pattern) override;
    std::vector<std::uint8_t> ReadFile(const std::string& path, std::size_t maxBytes) override;
    void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
    void DeleteFile(const std::string& path) override;

private:
    // The local path of a share path: each part as it exists in any case, or as given when
    // there is none. Raises EINVAL for "." and ".." parts.
    std::string Resolve(const std::string& path) const;

    std::string folder_;
};

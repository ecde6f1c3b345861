#pragma once
// The unit's side of a scan over SMB: a folder with SCAN and the unit's own request file,
// exported by a private smbd to the account, with the scanner pointed at the server's port.
// Only where CSambaServer::Unavailable() is empty.

#include "smb/CSambaServer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CScanSettings;
class CScratchDir;

class CUnitShare {
public:
    // What the unit's request file holds before a scan and must hold again after it.
    static const std::vector<std::uint8_t>& UnitsRequest();

    CUnitShare(const CScratchDir& dir, const std::string& password);
    ~CUnitShare();
    CUnitShare(const CUnitShare&) = delete;
    CUnitShare& operator=(const CUnitShare&) = delete;

    // The loopback address, the password, and fibres 1 and 3 to be scanned.
    void Configure(CScanSettings& settings) const;
    // rtu-sim serving the folder, with options added to its command line.
    void StartUnit(const std::vector<std::string>& options);

    CSambaServer& Server() { return *server_; }
    CChildProcess& Unit() { return unit_; }

    const std::string share;

private:
    std::string password_;
    std::string log_;
    std::unique_ptr<CSambaServer> server_;
    CChildProcess unit_;
};

#include "smb/UnitShare.h"

#include "platform/CSmbShareAccess.h"
#include "scan/CScanSettings.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

const std::vector<std::uint8_t>& CUnitShare::UnitsRequest() {
    static const std::vector<std::uint8_t> request = [] {
        const std::string text = "[RTU]\r\nStatus=IDLE\r\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }();
    return request;
}

CUnitShare::CUnitShare(const CScratchDir& dir, const std::string& password)
    : share(dir.Path("share")), password_(password), log_(dir.Path("rtu-sim.log")) {
    // The account changes files over the share: the folders are its own.
    CSambaServer::EnsureUser();
    fs::permissions(dir.Root(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(share + "/SCAN");
    CSambaServer::GiveToUser(share);
    CSambaServer::GiveToUser(share + "/SCAN");
    WriteAll(share + "/OPTREFL.PAR", UnitsRequest());
    server_ = std::make_unique<CSambaServer>(share, password);
    ::setenv(CSmbShareAccess::kPortVariable, std::to_string(server_->GetPort()).c_str(), 1);
    ::setenv(CSmbShareAccess::kUserVariable, CSambaServer::kUser, 1);
}

CUnitShare::~CUnitShare() {
    unit_.Stop();
    server_->Stop();
    ::unsetenv(CSmbShareAccess::kPortVariable);
    ::unsetenv(CSmbShareAccess::kUserVariable);
}

void CUnitShare::Configure(CScanSettings& settings) const {
    settings.SetUseIp(true);
    settings.SetIpAddress(0x7F000001);
    settings.SetPassword(password_);
    settings.SetFiberEnabled(0, true);
    settings.SetFiberEnabled(2, true);
}

void CUnitShare::StartUnit(const std::vector<std::string>& options) {
    std::vector<std::string> arguments = {
        LUMETRA_RTU_SIM_BINARY, share, "--duration", "60", "--points", "2000"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    unit_ = CChildProcess(arguments, log_);
}

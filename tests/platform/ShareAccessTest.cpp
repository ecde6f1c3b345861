#include "platform/CException.h"
#include "platform/CLocalShareAccess.h"
#include "platform/CShareAccess.h"
#include "platform/CSmbShareAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::vector<CShareAccess::Entry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

int NetError(const std::function<void()>& action) {
    try {
        action();
    } catch (const CNetException& e) {
        return e.GetCode();
    }
    return 0;
}

} // namespace

TEST(ShareAccess, AcceptsHostNamesAddressesAndFoldersOnly) {
    for (const char* good :
         {"rtu", "RTU-7", "rtu_2.plant.example", "10.0.0.5", "127.0.0.1", "/srv/rtu/TRACES"})
        EXPECT_TRUE(CShareAccess::IsValidRtuName(good)) << good;
    for (const char* bad :
         {"", "rtu/TRACES", "\\\\rtu\\TRACES", "my rtu", "rtu.", ".rtu", "rtu..plant", "-rtu",
          "rtu-", "1.2.3", "256.1.1.1", "rtu:445", "relative/folder", "smb://rtu"})
        EXPECT_FALSE(CShareAccess::IsValidRtuName(bad)) << bad;

    // Refused before anything is reached, with the name in the message.
    try {
        CShareAccess::Open("my rtu", std::nullopt);
        FAIL() << "no exception";
    } catch (const CAbortException& e) {
        EXPECT_EQ(e.GetErrorMessage(), InvalidRtuNameMessage("my rtu"));
        EXPECT_NE(e.GetErrorMessage().find("\"my rtu\""), std::string::npos);
    }
    EXPECT_NE(dynamic_cast<CLocalShareAccess*>(CShareAccess::Open("/srv", std::nullopt).get()),
              nullptr);
    const auto smb = CShareAccess::Open("10.1.2.3", std::string("secret"));
    EXPECT_NE(dynamic_cast<CSmbShareAccess*>(smb.get()), nullptr);
    EXPECT_EQ(smb->GetRemoteName(), "\\\\10.1.2.3\\TRACES");
}

TEST(ShareAccess, LocalFolderListsMatchesWithoutCaseAndFindsPartsInAnyCase) {
    CScratchDir dir;
    fs::create_directories(dir.Path("share/Scan"));
    fs::create_directories(dir.Path("share/Scan/SCAN9.SOR")); // a folder is not a file
    WriteAll(dir.Path("share/Scan/SCAN1_1.SOR"), {1, 2, 3});
    WriteAll(dir.Path("share/Scan/scan2_1.sor"), {});
    WriteAll(dir.Path("share/Scan/SCAN3_1.SOR.part"), {1});
    WriteAll(dir.Path("share/Scan/.SCAN4.SOR.tmp1"), {1});
    WriteAll(dir.Path("share/Scan/XSCAN1.SOR"), {1});

    CLocalShareAccess share(dir.Path("share") + "/");
    share.Connect();
    const auto entries = share.List("SCAN", "SCAN*.SOR");
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"SCAN1_1.SOR", "scan2_1.sor"}));
    for (const auto& entry : entries)
        EXPECT_EQ(entry.size, entry.name == "SCAN1_1.SOR" ? 3u : 0u);
    EXPECT_EQ(share.ReadFile("scan/SCAN1_1.sor", 3), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(NetError([&] { share.ReadFile("SCAN/SCAN1_1.SOR", 2); }), EFBIG);

    // A missing folder holds nothing; a missing file or share is an error with its code.
    EXPECT_TRUE(share.List("NOWHERE", "*").empty());
    EXPECT_EQ(NetError([&] { share.ReadFile("MISSING.PAR", 100); }), ENOENT);
    EXPECT_EQ(NetError([&] { share.ReadFile("../secret", 100); }), EINVAL);

    // A write replaces the existing name in its own case; no second file appears.
    WriteAll(dir.Path("share/optrefl.par"), {'o', 'l', 'd'});
    share.WriteFile("OPTREFL.PAR", {'n', 'e', 'w'});
    EXPECT_EQ(ReadAll(dir.Path("share/optrefl.par")), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_FALSE(fs::exists(dir.Path("share/OPTREFL.PAR")));

    share.DeleteFile("SCAN/SCAN2_1.SOR");
    EXPECT_FALSE(fs::exists(dir.Path("share/Scan/scan2_1.sor")));
    EXPECT_EQ(NetError([&] { share.DeleteFile("SCAN/SCAN2_1.SOR"); }), ENOENT);

    fs::remove_all(dir.Path("share"));
    EXPECT_EQ(NetError([&] { share.List("SCAN", "SCAN*.SOR"); }), ENOENT);
    CLocalShareAccess missing(dir.Path("none"));
    EXPECT_EQ(NetError([&] { missing.Connect(); }), ENOENT);
}

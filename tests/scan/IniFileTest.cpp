#include "platform/CException.h"
#include "platform/TextCodec.h"
#include "scan/CIniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string ReadText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

template <typename F> std::string IniMessage(F&& action) {
    try {
        action();
    } catch (const CIniException& e) {
        return e.GetErrorMessage();
    }
    return "no exception";
}

} // namespace

TEST(IniFile, WritesUnnamedSectionsFirstWithCrLfAndQuotesOnlyOnSpace) {
    CScratchDir dir;
    const std::string fibre = TextCodec::Utf8ToCp1251("Волокно 1");
    CIniFile ini;
    const std::size_t rtu = ini.AddSection("RTU");
    EXPECT_EQ(ini.AddSection(""), 1u);
    ini.GetSection(1).AddEntry("A", "1");
    ini.GetSection(rtu).AddEntry("Status", "SCAN");
    EXPECT_EQ(ini.GetSection(rtu).AddEntry("FiberId", fibre), 1u);
    ini.GetSection(rtu).AddEntry("Empty", "");
    ini.GetSection(rtu).AddEntry("Raw", "a\tb=\"c\";d");
    ini.GetSection(rtu).AddEntry("Raw", "1550.000000"); // duplicates are kept
    ini.AddSection("Fiber1");

    const std::string path = dir.Path("OPTREFL.PAR");
    WriteAll(path, {'o', 'l', 'd'});
    ini.Save(path);
    EXPECT_EQ(ini.GetFileName(), path);
    EXPECT_EQ(ReadText(path), "A=1\r\n[RTU]\r\nStatus=SCAN\r\nFiberId=\"" + fibre +
                                  "\"\r\nEmpty=\r\nRaw=a\tb=\"c\";d\r\nRaw=1550.000000\r\n"
                                  "[Fiber1]\r\n");
    EXPECT_EQ(ini.Format(), ReadText(path));
}

TEST(IniFile, LineBreaksInTextCannotInjectLines) {
    CIniFile ini;
    ini.GetSection(ini.AddSection("RTU\r\n[X]")).AddEntry("Op\n", "Ivan\r\nStatus=STOP");
    EXPECT_EQ(ini.Format(), "[RTU  [X]]\r\nOp =\"Ivan  Status=STOP\"\r\n");
}

TEST(IniFile, ErrorsCarryTheirTextsAndCreateNothing) {
    CScratchDir dir;
    CIniFile ini;
    EXPECT_EQ(IniMessage([&] { ini.GetSection(0); }), "Запрашиваемая секция не существует");
    CIniSection& section = ini.GetSection(ini.AddSection(""));
    section.AddEntry("k", "v");
    EXPECT_EQ(IniMessage([&] { section.GetEntry(1); }), "Запрашиваемый параметр не существует");
    EXPECT_EQ(IniMessage([&] { ini.Save(); }), "Нет имени файла");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
    EXPECT_THROW(ini.Save(dir.Path("missing/OPTREFL.PAR")), CFileException);
}

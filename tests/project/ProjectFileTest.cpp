#include "project/CProject.h"
#include "project/ProjectTestSupport.h"

#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeader = 268;
constexpr std::size_t kRecord = 516;
const std::string kProject1251 = "\xCF\xF0\xEE\xE5\xEA\xF2"; // "Проект"

// A 256-byte field up to its NUL.
std::string TextAt(const Bytes& b, std::size_t at) {
    std::string text;
    for (std::size_t i = at; i < at + 256 && b.at(i) != 0; ++i)
        text.push_back(static_cast<char>(b[i]));
    return text;
}

struct Stored {
    std::string name; // Windows-1251
    std::string path;
    std::uint32_t colour;
};

// A project file from the layout table, texts NUL-padded.
Bytes ProjectBytes(std::int32_t version, const std::string& name, std::int32_t count,
                   const std::vector<Stored>& records, std::int32_t active = -1) {
    Bytes b(kHeader + kRecord * records.size(), 0);
    auto put = [&b](std::size_t at, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto text = [&b](std::size_t at, const std::string& s) {
        std::copy(s.begin(), s.end(), &b[at]);
    };
    put(0, static_cast<std::uint32_t>(version));
    text(4, name);
    put(260, static_cast<std::uint32_t>(count));
    put(264, static_cast<std::uint32_t>(active));
    for (std::size_t i = 0, at = kHeader; i < records.size(); ++i, at += kRecord) {
        text(at, records[i].name);
        text(at + 256, records[i].path);
        put(at + 512, records[i].colour);
    }
    return b;
}

} // namespace

TEST(ProjectFile, SavedBytesFollowTheLayout) {
    CProjectTestScope scope;
    CScratchDir dir;
    CProject project;
    ASSERT_TRUE(project.Save(dir.Path("p.vtp")));
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")), ProjectBytes(65536, kProject1251, 0, {}));

    project.InsertIntoTree(scope.frame);
    for (const char* name : {"a.sor", "b.sor", "c.sor"})
        project.AppendEntry(CSignalEntry(WriteTrace(dir, name)));
    project.SetActiveEntry(1);
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")).size(), 1816u);
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")), ProjectBytes(65536, kProject1251, 3,
                                                       {{"a.sor", dir.Path("a.sor"), 0xFF0000},
                                                        {"b.sor", dir.Path("b.sor"), 0x00FF00},
                                                        {"c.sor", dir.Path("c.sor"), 0x0000FF}},
                                                       1));

    // Nothing of a longer earlier file stays behind.
    project.RemoveEntry(0);
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")).size(), kHeader + 2 * kRecord);
}

TEST(ProjectFile, LoadRestoresNamesPathsAndColours) {
    CProjectTestScope scope;
    CScratchDir dir;
    {
        CProject scanned;
        scanned.MarkAsScanningProject("RTU-7");
        scanned.EntryForFiber(0).ReloadTrace(WriteTrace(dir, "s1.sor"));
        scanned.EntryForFiber(3).ReloadTrace(WriteTrace(dir, "s4.sor"));
        ASSERT_TRUE(scanned.Save(dir.Path("scan.vtp")));
    }
    CProject loaded;
    loaded.InsertIntoTree(scope.frame);
    scope.frame.Take();
    ASSERT_TRUE(loaded.Load(dir.Path("scan.vtp")));
    EXPECT_TRUE(scope.TakeShown().empty());
    EXPECT_EQ(loaded.GetName(), "RTU-7");
    EXPECT_FALSE(loaded.IsScanningProject());
    ASSERT_EQ(loaded.GetEntryCount(), 2);
    EXPECT_EQ(loaded.ActiveEntryIndex(), 0);
    EXPECT_EQ(loaded.GetEntry(1).GetFiberNumber(), -1);
    EXPECT_EQ(loaded.GetEntry(1).GetTracePath(), dir.Path("s4.sor"));
    // The tree shows the file's name (the stored name stays the project's) and the entries in
    // their stored colours.
    EXPECT_EQ(scope.frame.Take(),
              (Lines{"101 1001 0 0 scan.vtp", "send 503", "103 1001 1 FF0000 Волокно 1", "send 503",
                     "send 503", "103 1001 1 FF00 Волокно 4", "send 503", "post 503"}));

    // A stored black stays black, and an unchanged project saves to the same bytes.
    const Bytes black = ProjectBytes(65536, "P", 1, {{"k", dir.Path("s1.sor"), 0}});
    WriteAll(dir.Path("black.vtp"), black);
    ASSERT_TRUE(loaded.Load(dir.Path("black.vtp")));
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(ReadAll(dir.Path("black.vtp")), black);
}

TEST(ProjectFile, OtherVersionsAreRefusedAndChangeNothing) {
    CProjectTestScope scope;
    CScratchDir dir;
    CProject project("Кабель");
    project.AppendEntry(CSignalEntry(WriteTrace(dir, "a.sor")));
    for (std::int32_t version : {65537, 65535, 0, -65536}) {
        WriteAll(dir.Path("v.vtp"), ProjectBytes(version, "X", 1, {{"x", dir.Path("a.sor"), 5}}));
        scope.frame.Take();
        EXPECT_FALSE(project.Load(dir.Path("v.vtp")));
        EXPECT_EQ(scope.TakeShown(), Lines{"Ошибка [stop]: v.vtp: Неправильная версия проекта"});
        EXPECT_TRUE(scope.frame.Take().empty());
        EXPECT_EQ(project.GetName(), "Кабель");
        EXPECT_FALSE(project.HasPath());
        EXPECT_EQ(project.GetEntryCount(), 1);
    }
}

TEST(ProjectFile, UnopenableTracesStayMembers) {
    CProjectTestScope scope;
    CScratchDir dir;
    const Bytes stored = ProjectBytes(65536, "P", 3,
                                      {{"a", WriteTrace(dir, "a.sor"), 1},
                                       {"j", WriteJunk(dir, "junk.sor"), 2},
                                       {"c", WriteTrace(dir, "c.sor"), 3}});
    WriteAll(dir.Path("p.vtp"), stored);
    CProject project;
    ASSERT_TRUE(project.Load(dir.Path("p.vtp")));
    EXPECT_EQ(scope.TakeShown(), (Lines{"Lumetra View [stop]: junk.sor: Неправильный тип файла",
                                        "Внимание [!]: p.vtp: Не все сигналы могут быть открыты"}));
    ASSERT_EQ(project.GetEntryCount(), 3);
    EXPECT_TRUE(project.GetEntry(0).HasTrace());
    EXPECT_FALSE(project.GetEntry(1).HasTrace());
    EXPECT_EQ(project.GetEntry(1).GetTraceKind(), SignalKind::None);
    EXPECT_TRUE(project.GetEntry(2).HasTrace());
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")), stored);

    // Recognised by its map but cut short: its own open shows the error, the member stays.
    Bytes cut = ReadAll(WriteTrace(dir, "cut.sor"));
    cut.resize(cut.size() / 2);
    WriteAll(dir.Path("cut.sor"), cut);
    WriteAll(dir.Path("q.vtp"), ProjectBytes(65536, "Q", 1, {{"cut", dir.Path("cut.sor"), 4}}));
    ASSERT_TRUE(project.Load(dir.Path("q.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 1u);
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(TextAt(ReadAll(dir.Path("q.vtp")), kHeader + 256), dir.Path("cut.sor"));
}

TEST(ProjectFile, TextsStayInsideTheirFields) {
    CProjectTestScope scope;
    CScratchDir dir;
    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "я";
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(dir.Path(deep));
    const std::string longPath = WriteTrace(dir, deep + "/trace.sor");
    CProject project(longName);
    CSignalEntry entry(longPath);
    entry.SetDisplayName(longName);
    project.AppendEntry(entry);
    ASSERT_TRUE(project.Save(dir.Path("long.vtp")));
    const Bytes b = ReadAll(dir.Path("long.vtp"));
    ASSERT_EQ(b.size(), kHeader + kRecord);
    EXPECT_EQ(TextAt(b, 4), std::string(255, '\xFF'));
    EXPECT_EQ(TextAt(b, kHeader), std::string(255, '\xFF'));
    EXPECT_EQ(TextAt(b, kHeader + 256), longPath.substr(0, 255));

    // Fields filled to the end without a NUL are read to their end and no further.
    WriteAll(dir.Path("full.vtp"), ProjectBytes(65536, std::string(256, 'n'), 1,
                                                {{std::string(256, 'e'), "/none.sor", 7}}));
    ASSERT_TRUE(project.Load(dir.Path("full.vtp")));
    EXPECT_EQ(project.GetName(), std::string(256, 'n'));
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), std::string(256, 'e'));
    EXPECT_EQ(project.GetEntry(0).GetTracePath(), "/none.sor");
    EXPECT_EQ(project.GetEntry(0).GetColour(), 7u);
}

TEST(ProjectFile, PathsKeepEveryCharacter) {
    CProjectTestScope scope;
    CScratchDir dir;
    // Cyrillic is stored as Windows-1251; a path with a character Windows-1251 lacks keeps
    // its own bytes rather than turning into '?'.
    const std::string cyrillic = WriteTrace(dir, "трасса.sor");
    const std::string latin = WriteTrace(dir, "jürgen.sor");
    CProject project;
    project.AppendEntry(CSignalEntry(cyrillic));
    project.AppendEntry(CSignalEntry(latin));
    ASSERT_TRUE(project.Save(dir.Path("p.vtp")));
    const Bytes b = ReadAll(dir.Path("p.vtp"));
    EXPECT_EQ(TextAt(b, kHeader), "\xF2\xF0\xE0\xF1\xF1\xE0.sor");
    EXPECT_EQ(TextAt(b, kHeader + 256), TextCodec::Utf8ToCp1251(cyrillic));
    EXPECT_EQ(TextAt(b, kHeader + kRecord + 256), latin);

    ASSERT_TRUE(project.Load(dir.Path("p.vtp")));
    EXPECT_TRUE(scope.TakeShown().empty());
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), "трасса.sor");
    EXPECT_EQ(project.GetEntry(0).GetTracePath(), cyrillic);
    EXPECT_EQ(project.GetEntry(1).GetTracePath(), latin);
}

TEST(ProjectFile, ShortMissingAndUnwritableFiles) {
    CProjectTestScope scope;
    CScratchDir dir;
    // Records that end early: the complete ones load, the rest is a read error.
    Bytes b = ProjectBytes(65536, "P", 3,
                           {{"a", WriteTrace(dir, "a.sor"), 1},
                            {"b", WriteTrace(dir, "b.sor"), 1},
                            {"c", WriteTrace(dir, "c.sor"), 1}});
    b.resize(kHeader + kRecord + 300);
    WriteAll(dir.Path("short.vtp"), b);
    CProject project;
    ASSERT_TRUE(project.Load(dir.Path("short.vtp")));
    EXPECT_EQ(scope.TakeShown(),
              (Lines{"Lumetra View [stop]: short.vtp: Не могу прочесть файл",
                     "Внимание [!]: short.vtp: Не все сигналы могут быть открыты"}));
    EXPECT_EQ(project.GetEntryCount(), 1);

    // A count far beyond the file reserves nothing for it.
    WriteAll(dir.Path("huge.vtp"), ProjectBytes(65536, "H", 0x7FFFFFFF, {}));
    ASSERT_TRUE(project.Load(dir.Path("huge.vtp")));
    EXPECT_EQ(project.GetEntryCount(), 0);
    EXPECT_EQ(scope.TakeShown().size(), 2u);

    // Without a whole header, or without a file, nothing changes.
    b.resize(kHeader - 1);
    WriteAll(dir.Path("header.vtp"), b);
    EXPECT_FALSE(project.Load(dir.Path("header.vtp")));
    EXPECT_EQ(scope.TakeShown(), Lines{"Lumetra View [stop]: header.vtp: Не могу прочесть файл"});
    EXPECT_FALSE(project.Load(dir.Path("missing.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 1u);
    EXPECT_EQ(project.GetPath(), dir.Path("huge.vtp"));

    CProject unsaved;
    EXPECT_FALSE(unsaved.Save());
    EXPECT_FALSE(unsaved.Save(dir.Path("no/such/folder.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 2u);
}

TEST(ProjectFile, HugeProjectsAndTracesFailAtOnceWithAMessage) {
    CProjectTestScope scope;
    CScratchDir dir;
    const std::string trace = WriteTrace(dir, "a.sor");
    const std::string hugeTrace = dir.Path("huge.sor");
    const std::string hugeProject = dir.Path("huge.vtp");
    if (!MakeSparseFile(hugeTrace, ReadAll(trace), std::uint64_t{40} << 30) ||
        !MakeSparseFile(hugeProject, ProjectBytes(65536, "H", 1, {{"a", trace, 1}}),
                        std::uint64_t{40} << 30))
        GTEST_SKIP() << "the file system holds no 40 GiB sparse file";
    const std::string tooLarge = std::strerror(EFBIG);
    const auto start = std::chrono::steady_clock::now();

    CProject project;
    EXPECT_FALSE(project.Load(hugeProject));
    EXPECT_EQ(scope.TakeShown(),
              Lines{"Lumetra View [stop]: huge.vtp: " + tooLarge + ": " + hugeProject});

    // A project naming a huge trace keeps it as a member without a trace.
    WriteAll(dir.Path("p.vtp"),
             ProjectBytes(65536, "P", 2, {{"h", hugeTrace, 1}, {"a", trace, 2}}));
    ASSERT_TRUE(project.Load(dir.Path("p.vtp")));
    EXPECT_EQ(scope.TakeShown(),
              (Lines{"Lumetra View [stop]: huge.sor: Не могу загрузить файл в формате Bellcore : " +
                         tooLarge + ": " + hugeTrace,
                     "Внимание [!]: p.vtp: Не все сигналы могут быть открыты"}));
    ASSERT_EQ(project.GetEntryCount(), 2);
    EXPECT_FALSE(project.GetEntry(0).HasTrace());
    EXPECT_TRUE(project.GetEntry(1).HasTrace());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

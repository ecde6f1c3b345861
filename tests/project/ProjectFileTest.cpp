#include "project/CProject.h"
#include "project/ProjectTestSupport.h"

#include "core/CSignal.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeader = 268;
constexpr std::size_t kRecord = 516;
const std::string kProject1251 = "\xCF\xF0\xEE\xE5\xEA\xF2"; // "Проект"

std::int32_t Int32At(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return static_cast<std::int32_t>(v);
}

void PutInt32(Bytes& b, std::size_t at, std::int32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

// A 256-byte field up to its NUL.
std::string TextAt(const Bytes& b, std::size_t at) {
    std::string text;
    for (std::size_t i = at; i < at + 256 && b.at(i) != 0; ++i)
        text.push_back(static_cast<char>(b[i]));
    return text;
}

void PutText(Bytes& b, std::size_t at, const std::string& bytes) {
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

struct StoredEntry {
    std::string name; // Windows-1251
    std::string path;
    std::uint32_t colour;
};

Bytes ProjectBytes(std::int32_t version, const std::string& name, std::int32_t count,
                   const std::vector<StoredEntry>& entries) {
    Bytes b(kHeader + kRecord * entries.size(), 0);
    PutInt32(b, 0, version);
    PutText(b, 4, name);
    PutInt32(b, 260, count);
    PutInt32(b, 264, -1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = kHeader + kRecord * i;
        PutText(b, at, entries[i].name);
        PutText(b, at + 256, entries[i].path);
        PutInt32(b, at + 512, static_cast<std::int32_t>(entries[i].colour));
    }
    return b;
}

// Three traces a, b, c in the folder, appended to the project in that order.
void AppendThreeTraces(CProject& project, const CScratchDir& dir) {
    for (const char* name : {"a.sor", "b.sor", "c.sor"}) {
        WriteTrace(dir.Path(name));
        project.AppendEntry(CSignalEntry(dir.Path(name)));
    }
}

} // namespace

TEST(ProjectFile, SavedBytesFollowTheLayout) {
    CProjectTestScope scope;
    CScratchDir dir;

    CProject empty;
    ASSERT_TRUE(empty.Save(dir.Path("empty.vtp")));
    const Bytes e = ReadAll(dir.Path("empty.vtp"));
    ASSERT_EQ(e.size(), kHeader);
    EXPECT_EQ(Int32At(e, 0), 65536);
    EXPECT_EQ(TextAt(e, 4), kProject1251);
    EXPECT_TRUE(std::all_of(e.begin() + 4 + 6, e.begin() + 260, [](auto c) { return c == 0; }));
    EXPECT_EQ(Int32At(e, 260), 0);
    EXPECT_EQ(Int32At(e, 264), -1);

    CProject project;
    project.InsertIntoTree();
    AppendThreeTraces(project, dir);
    project.SetActiveEntry(1);
    ASSERT_TRUE(project.Save(dir.Path("three.vtp")));
    EXPECT_EQ(project.GetPath(), dir.Path("three.vtp"));
    const Bytes b = ReadAll(dir.Path("three.vtp"));
    ASSERT_EQ(b.size(), 1816u);
    EXPECT_EQ(Int32At(b, 260), 3);
    EXPECT_EQ(Int32At(b, 264), 1);
    const char* names[] = {"a.sor", "b.sor", "c.sor"};
    const std::int32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t at = kHeader + kRecord * i;
        EXPECT_EQ(TextAt(b, at), names[i]);
        EXPECT_EQ(TextAt(b, at + 256), dir.Path(names[i]));
        EXPECT_EQ(Int32At(b, at + 512), colours[i]);
    }

    // A later save to the same file leaves nothing of the longer one behind.
    project.RemoveEntry(0);
    project.RemoveEntry(0);
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(ReadAll(dir.Path("three.vtp")).size(), kHeader + kRecord);
}

TEST(ProjectFile, LoadRestoresNamesPathsAndColours) {
    CProjectTestScope scope;
    CScratchDir dir;
    WriteTrace(dir.Path("scan1.sor"));
    WriteTrace(dir.Path("scan4.sor"));
    {
        CProject scanned;
        scanned.InsertIntoTree();
        scanned.MarkAsScanningProject("RTU-7");
        scanned.EntryForFiber(0).ReloadTrace(dir.Path("scan1.sor"));
        scanned.EntryForFiber(3).ReloadTrace(dir.Path("scan4.sor"));
        ASSERT_TRUE(scanned.Save(dir.Path("scan.vtp")));
    }

    scope.frame.lastItem = 1000;
    CProject loaded;
    loaded.InsertIntoTree();
    scope.frame.Take();
    ASSERT_TRUE(loaded.Load(dir.Path("scan.vtp")));
    EXPECT_TRUE(scope.TakeShown().empty());
    EXPECT_EQ(loaded.GetName(), "RTU-7");
    EXPECT_EQ(loaded.GetPath(), dir.Path("scan.vtp"));
    EXPECT_FALSE(loaded.IsScanningProject());
    ASSERT_EQ(loaded.GetEntryCount(), 2);
    EXPECT_EQ(loaded.ActiveEntryIndex(), 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded.GetEntry(i).GetFiberNumber(), -1);
        EXPECT_TRUE(loaded.GetEntry(i).HasTrace());
    }
    EXPECT_EQ(loaded.GetEntry(1).GetTracePath(), dir.Path("scan4.sor"));
    // The tree shows the loaded name, then each entry with its stored colour.
    EXPECT_EQ(scope.frame.Take(),
              (std::vector<std::string>{"101 1001 0 000000 RTU-7", "send 503",
                                        "103 1001 137 FF0000 Волокно 1", "send 503", "send 503",
                                        "103 1001 137 00FF00 Волокно 4", "send 503", "post 503"}));

    // A stored black stays black and is written back as it was.
    WriteAll(dir.Path("black.vtp"), ProjectBytes(65536, "P", 1, {{"k", dir.Path("scan1.sor"), 0}}));
    ASSERT_TRUE(loaded.Load(dir.Path("black.vtp")));
    EXPECT_EQ(loaded.GetEntry(0).GetColour(), 0u);
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(ReadAll(dir.Path("black.vtp")),
              ProjectBytes(65536, "P", 1, {{"k", dir.Path("scan1.sor"), 0}}));
}

TEST(ProjectFile, OtherVersionsAreRefusedAndChangeNothing) {
    CProjectTestScope scope;
    CScratchDir dir;
    WriteTrace(dir.Path("a.sor"));
    CProject project("Кабель");
    project.InsertIntoTree();
    project.AppendEntry(CSignalEntry(dir.Path("a.sor")));
    for (std::int32_t version : {65537, 65535, 0, -65536}) {
        WriteAll(dir.Path("v.vtp"), ProjectBytes(version, "X", 1, {{"x", dir.Path("a.sor"), 5}}));
        scope.frame.Take();
        EXPECT_FALSE(project.Load(dir.Path("v.vtp")));
        ASSERT_EQ(scope.prompts.shown.size(), 1u);
        EXPECT_EQ(scope.prompts.shown[0].icon, CPrompts::Icon::Error);
        EXPECT_EQ(scope.TakeShown(),
                  std::vector<std::string>{"Ошибка: Неправильная версия проекта"});
        EXPECT_TRUE(scope.frame.Take().empty());
        EXPECT_EQ(project.GetName(), "Кабель");
        EXPECT_FALSE(project.HasPath());
        ASSERT_EQ(project.GetEntryCount(), 1);
        EXPECT_EQ(project.GetEntry(0).GetDisplayName(), "a.sor");
    }
}

TEST(ProjectFile, UnopenableTracesStayMembers) {
    CProjectTestScope scope;
    CScratchDir dir;
    WriteTrace(dir.Path("a.sor"));
    WriteJunk(dir.Path("junk.sor"));
    WriteTrace(dir.Path("c.sor"));
    // Recognised by its map but cut short: its own open fails.
    WriteTrace(dir.Path("cut.sor"));
    Bytes cut = ReadAll(dir.Path("cut.sor"));
    cut.resize(cut.size() / 2);
    WriteAll(dir.Path("cut.sor"), cut);

    const Bytes stored = ProjectBytes(
        65536, kProject1251, 3,
        {{"a", dir.Path("a.sor"), 1}, {"j", dir.Path("junk.sor"), 2}, {"c", dir.Path("c.sor"), 3}});
    WriteAll(dir.Path("p.vtp"), stored);
    CProject project;
    ASSERT_TRUE(project.Load(dir.Path("p.vtp")));
    ASSERT_EQ(scope.prompts.shown.size(), 2u);
    EXPECT_EQ(scope.prompts.shown[0].icon, CPrompts::Icon::Error);
    EXPECT_EQ(scope.prompts.shown[1].icon, CPrompts::Icon::Warning);
    EXPECT_EQ(scope.TakeShown(),
              (std::vector<std::string>{"Lumetra View: Неправильный тип файла",
                                        "Внимание: Не все сигналы могут быть открыты"}));
    ASSERT_EQ(project.GetEntryCount(), 3);
    EXPECT_TRUE(project.GetEntry(0).HasTrace());
    EXPECT_FALSE(project.GetEntry(1).HasTrace());
    EXPECT_EQ(project.GetEntry(1).GetBitmapId(), kNoTraceBitmap);
    EXPECT_TRUE(project.GetEntry(2).HasTrace());
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(ReadAll(dir.Path("p.vtp")), stored);

    // An open that fails without raising: its own message only, the member is kept.
    WriteAll(dir.Path("q.vtp"), ProjectBytes(65536, "Q", 1, {{"cut", dir.Path("cut.sor"), 4}}));
    ASSERT_TRUE(project.Load(dir.Path("q.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 1u);
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(project.GetEntry(0).GetTracePath(), dir.Path("cut.sor"));
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(TextAt(ReadAll(dir.Path("q.vtp")), kHeader + 256), dir.Path("cut.sor"));
}

TEST(ProjectFile, TextsStayInsideTheirFields) {
    CProjectTestScope scope;
    CScratchDir dir;
    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "я";
    const std::string deep = dir.Path(std::string(120, 'd') + "/" + std::string(120, 'e'));
    std::filesystem::create_directories(deep);
    const std::string longPath = deep + "/trace.sor";
    ASSERT_GT(longPath.size(), 255u);
    WriteTrace(longPath);

    CProject project(longName);
    CSignalEntry entry(longPath);
    entry.SetDisplayName(longName);
    project.AppendEntry(entry);
    ASSERT_TRUE(project.Save(dir.Path("long.vtp")));
    const Bytes b = ReadAll(dir.Path("long.vtp"));
    ASSERT_EQ(b.size(), kHeader + kRecord);
    EXPECT_EQ(TextAt(b, 4), std::string(255, '\xFF'));
    EXPECT_EQ(Int32At(b, 260), 1);
    EXPECT_EQ(TextAt(b, kHeader), std::string(255, '\xFF'));
    EXPECT_EQ(TextAt(b, kHeader + 256), longPath.substr(0, 255));

    // Fields filled to their end without a NUL are read up to the end and no further.
    Bytes full = ProjectBytes(65536, std::string(256, 'n'), 1,
                              {{std::string(256, 'e'), dir.Path("none.sor"), 7}});
    WriteAll(dir.Path("full.vtp"), full);
    ASSERT_TRUE(project.Load(dir.Path("full.vtp")));
    EXPECT_EQ(project.GetName(), std::string(256, 'n'));
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), std::string(256, 'e'));
    EXPECT_EQ(project.GetEntry(0).GetTracePath(), dir.Path("none.sor"));
    EXPECT_EQ(project.GetEntry(0).GetColour(), 7u);
}

TEST(ProjectFile, PathsKeepEveryCharacter) {
    CProjectTestScope scope;
    CScratchDir dir;
    // Cyrillic goes to the file as Windows-1251; a character Windows-1251 lacks keeps the
    // path's own bytes rather than turning into '?'.
    const std::string cyrillic = dir.Path("трасса.sor");
    const std::string latin = dir.Path("jürgen.sor");
    WriteTrace(cyrillic);
    WriteTrace(latin);
    CProject project;
    project.AppendEntry(CSignalEntry(cyrillic));
    project.AppendEntry(CSignalEntry(latin));
    ASSERT_TRUE(project.Save(dir.Path("p.vtp")));
    const Bytes b = ReadAll(dir.Path("p.vtp"));
    EXPECT_EQ(TextAt(b, kHeader), "\xF2\xF0\xE0\xF1\xF1\xE0.sor");
    EXPECT_EQ(TextAt(b, kHeader + 256), TextCodec::Utf8ToCp1251(cyrillic));
    EXPECT_EQ(TextAt(b, kHeader + kRecord + 256), latin);

    CProject loaded;
    ASSERT_TRUE(loaded.Load(dir.Path("p.vtp")));
    EXPECT_TRUE(scope.TakeShown().empty());
    ASSERT_EQ(loaded.GetEntryCount(), 2);
    EXPECT_EQ(loaded.GetEntry(0).GetDisplayName(), "трасса.sor");
    EXPECT_EQ(loaded.GetEntry(0).GetTracePath(), cyrillic);
    EXPECT_EQ(loaded.GetEntry(1).GetTracePath(), latin);
    EXPECT_TRUE(loaded.GetEntry(1).HasTrace());
}

TEST(ProjectFile, ShortOrMissingFiles) {
    CProjectTestScope scope;
    CScratchDir dir;
    std::vector<StoredEntry> entries;
    for (const char* name : {"a.sor", "b.sor", "c.sor"}) {
        WriteTrace(dir.Path(name));
        entries.push_back({name, dir.Path(name), 1});
    }
    // Records that end early: the complete ones load, the rest is a read error.
    Bytes b = ProjectBytes(65536, "P", 3, entries);
    b.resize(kHeader + kRecord + 300);
    WriteAll(dir.Path("short.vtp"), b);
    CProject project;
    ASSERT_TRUE(project.Load(dir.Path("short.vtp")));
    EXPECT_EQ(scope.TakeShown(),
              (std::vector<std::string>{"Lumetra View: Не могу прочесть файл",
                                        "Внимание: Не все сигналы могут быть открыты"}));
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(project.GetEntry(0).GetDisplayName(), "a.sor");

    // A count far beyond the file reserves nothing for it.
    WriteAll(dir.Path("huge.vtp"), ProjectBytes(65536, "H", 0x7FFFFFFF, {}));
    ASSERT_TRUE(project.Load(dir.Path("huge.vtp")));
    EXPECT_EQ(project.GetEntryCount(), 0);
    EXPECT_EQ(scope.TakeShown().size(), 2u);

    // No complete header, or no file: nothing changes.
    b.resize(200);
    WriteAll(dir.Path("header.vtp"), b);
    EXPECT_FALSE(project.Load(dir.Path("header.vtp")));
    EXPECT_EQ(scope.TakeShown(), std::vector<std::string>{"Lumetra View: Не могу прочесть файл"});
    EXPECT_FALSE(project.Load(dir.Path("missing.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 1u);
    EXPECT_EQ(project.GetName(), "H");
    EXPECT_EQ(project.GetPath(), dir.Path("huge.vtp"));

    // A project without a path, or in a folder that is not there, is not saved.
    CProject unsaved;
    EXPECT_FALSE(unsaved.Save());
    EXPECT_FALSE(unsaved.Save(dir.Path("no/such/folder.vtp")));
    EXPECT_EQ(scope.TakeShown().size(), 2u);
}

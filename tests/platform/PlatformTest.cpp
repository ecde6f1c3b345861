#include "platform/CAutoResetEvent.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "platform/CWriteBehind.h"
#include "platform/WorkBlock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

TEST(BinaryFile, SaveReplacesOnlyWhenComplete) {
    // Forced to the disk or not, the target is replaced whole or not at all.
    for (const unsigned flags : {0U, unsigned{CBinaryFile::kNoDiskFlush}}) {
        SCOPED_TRACE(flags);
        CScratchDir dir;
        const std::string path = dir.Path("trace.sor");
        WriteAll(path, {1, 2, 3});
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        // Another name of the old file, and a reader holding it open, keep the old bytes.
        const std::string other = dir.Path("other.sor");
        std::filesystem::create_hard_link(path, other);
        std::ifstream reader(path, std::ios::binary);

        { // abandoned (as by an exception mid-save): the old file stays, no temporary remains
            CBinaryFile file;
            file.OpenForWrite(path, flags);
            file.WriteThrough("xyz", 3);
        }
        EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 2);

        CBinaryFile file;
        file.OpenForWrite(path, flags);
        file.Write("\x04\x05", 2);
        file.Close();
        EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{4, 5}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 2);
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(info.st_nlink, 1u);
        EXPECT_EQ(ReadAll(other), (std::vector<std::uint8_t>{1, 2, 3}));
        char first = 0;
        EXPECT_TRUE(reader.read(&first, 1));
        EXPECT_EQ(first, 1);
    }
}

TEST(BinaryFile, ReadsWholeFileAndReportsShortReads) {
    CScratchDir dir;
    const std::string path = dir.Path("a.bin");
    WriteAll(path, {9, 8, 7});
    CBinaryFile file;
    file.OpenForRead(path);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(file.Read(buffer, 2), 2u);
    EXPECT_EQ(file.Remaining(), 1u);
    EXPECT_EQ(file.Read(buffer, 4), 1u);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(file.Read(buffer, 1), 0u);
}

TEST(BinaryFile, OpenErrorsNameTheCause) {
    CScratchDir dir;
    CBinaryFile file;
    try {
        file.OpenForRead(dir.Path("missing.sor"));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetError(), ENOENT);
        EXPECT_NE(e.GetErrorMessage().find("missing.sor"), std::string::npos);
    }
    EXPECT_THROW(file.OpenForRead(dir.Root().string()), CFileException);
    EXPECT_THROW(file.OpenForWrite(dir.Path("no/such/folder/x.sor")), CFileException);
}

TEST(BinaryFile, WriterExcludesOthers) {
    CScratchDir dir;
    const std::string path = dir.Path("locked.sor");
    WriteAll(path, {1});
    CBinaryFile writer;
    writer.OpenForWrite(path);
    CBinaryFile other;
    EXPECT_THROW(other.OpenForRead(path), CFileException);
    EXPECT_THROW(other.OpenForWrite(path), CFileException);
    writer.Abandon();
    EXPECT_NO_THROW(other.OpenForRead(path));
}

namespace {

std::string SaveError(const std::string& path, const std::string& text) {
    try {
        CBinaryFile file;
        file.OpenForWrite(path);
        file.Write(text.data(), text.size());
        file.Close();
        return "";
    } catch (const CFileException& e) {
        return e.GetErrorMessage();
    }
}

std::string ReadError(const std::string& path) {
    try {
        CBinaryFile file;
        file.OpenForRead(path);
        return "";
    } catch (const CFileException& e) {
        return e.GetErrorMessage();
    }
}

std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(BinaryFile, PathsThatAreNoRegularFileFailAtOnceWithTheirReason) {
    CScratchDir dir;
    const std::string fifo = dir.Path("fifo.sor");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string loop = dir.Path("loop.sor");
    std::filesystem::create_symlink("loop.sor", loop);
    const std::string folder = dir.Root().string();
    const std::string notRegular = "Not a regular file: ";
    // Neither read nor written: a save must not replace a FIFO or a device by a file (no
    // device is written here, as a fault would replace it).
    EXPECT_EQ(ReadError(fifo), notRegular + fifo);
    EXPECT_EQ(SaveError(fifo, "x"), notRegular + fifo);
    EXPECT_EQ(ReadError("/dev/null"), notRegular + "/dev/null");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(ReadError(folder), std::strerror(EISDIR) + (": " + folder));
    EXPECT_EQ(ReadError(loop), std::strerror(ELOOP) + (": " + loop));
    EXPECT_EQ(SaveError(loop, "x"), std::strerror(ELOOP) + (": " + loop));
    EXPECT_TRUE(std::filesystem::is_symlink(loop));

    const std::string huge = dir.Path("huge.sor");
    if (!MakeSparseFile(huge, {1, 2, 3, 4}, std::uint64_t{40} << 30))
        GTEST_SKIP() << "the file system holds no 40 GiB sparse file";
    const auto start = std::chrono::steady_clock::now();
    CBinaryFile file;
    try {
        file.OpenForReadLimited(huge, 1 << 20);
        ADD_FAILURE() << "a file beyond its limit was read";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetError(), EFBIG);
    }
    file.OpenForRead(huge, 4); // the head alone
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_TRUE(file.IsPartial());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(BinaryFile, SavesGoThroughLinksAndADanglingOneGetsItsFile) {
    CScratchDir dir;
    std::filesystem::create_directory(dir.Root() / "real");
    namespace fs = std::filesystem;
    fs::create_symlink("real/a.sor", dir.Path("a.sor"));           // relative, dangling
    fs::create_symlink("a.sor", dir.Path("b.sor"));                // a chain
    fs::create_symlink(dir.Path("real/c.sor"), dir.Path("c.sor")); // absolute, dangling
    fs::create_symlink("nowhere/d.sor", dir.Path("d.sor"));        // into a missing folder

    EXPECT_EQ(SaveError(dir.Path("b.sor"), "one"), "");
    EXPECT_EQ(Text(dir.Path("real/a.sor")), "one");
    EXPECT_EQ(SaveError(dir.Path("a.sor"), "two"), "");
    EXPECT_EQ(Text(dir.Path("real/a.sor")), "two");
    EXPECT_EQ(SaveError(dir.Path("c.sor"), "three"), "");
    EXPECT_EQ(Text(dir.Path("real/c.sor")), "three");
    EXPECT_EQ(SaveError(dir.Path("d.sor"), "four"),
              std::strerror(ENOENT) + (": " + dir.Path("d.sor")));
    for (const char* link : {"a.sor", "b.sor", "c.sor", "d.sor"})
        EXPECT_TRUE(fs::is_symlink(dir.Path(link))) << link;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Root() / "real"), {}), 2);
}

TEST(BinaryFile, SaveKeepsModeAndOwnerAndRemovesTemporariesOfKilledSaves) {
    CScratchDir dir;
    const std::string path = dir.Path("x.sor");
    WriteAll(path, {1});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    // Left by a save killed mid-write, one in progress elsewhere, and files not ours.
    const std::vector<std::string> stale = {dir.Path(".x.sor.tmp123456"), dir.Path(".x.sor.tmp7")};
    const std::string busy = dir.Path(".x.sor.tmp654321");
    const std::vector<std::string> foreign = {dir.Path(".x.sor.tmpA"), dir.Path(".y.sor.tmp1"),
                                              dir.Path("x.sor.tmp1")};
    std::vector<std::string> all = stale;
    all.insert(all.end(), foreign.begin(), foreign.end());
    all.push_back(busy);
    for (const std::string& name : all)
        WriteAll(name, {});
    const int busyFd = ::open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busyFd, LOCK_EX), 0);

    EXPECT_EQ(SaveError(path, "saved"), "");
    ::close(busyFd);
    EXPECT_EQ(Text(path), "saved");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    for (const std::string& name : stale)
        EXPECT_FALSE(std::filesystem::exists(name)) << name;
    for (const std::string& name : foreign)
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
    EXPECT_TRUE(std::filesystem::exists(busy));
}

TEST(BinaryFile, AFolderThatTakesNoNewFileIsWrittenInPlace) {
    CScratchDir dir;
    const std::string folder = dir.Path("locked");
    std::filesystem::create_directory(folder);
    const std::string open = folder + "/open.sor", closed = folder + "/closed.sor";
    WriteAll(open, {'o', 'l', 'd', ' ', 'o', 'l', 'd'});
    WriteAll(closed, {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(open.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(closed.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    struct stat before {};
    ASSERT_EQ(::stat(open.c_str(), &before), 0);

    const std::optional<std::string> report = RunInChild(
        [&] {
            std::string lines = SaveError(open, "new") + "\n" + SaveError(closed, "new") + "\n";
            // A file-size limit makes the in-place write fail as a full disk would.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4, 4};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return lines + SaveError(open, "longer than four bytes") + "\n";
        },
        true);
    ::chmod(folder.c_str(), 0755);
    if (!report)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    std::istringstream lines(*report);
    std::string inPlace, refused, failed;
    std::getline(lines, inPlace);
    std::getline(lines, refused);
    std::getline(lines, failed);
    EXPECT_EQ(inPlace, "");
    EXPECT_EQ(refused, std::strerror(EACCES) + (": " + closed));
    EXPECT_NE(failed.find("takes no new file (" + std::string(std::strerror(EACCES))),
              std::string::npos)
        << failed;
    EXPECT_NE(failed.find("in place failed too (" + std::string(std::strerror(EFBIG))),
              std::string::npos)
        << failed;
    struct stat after {};
    ASSERT_EQ(::stat(open.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Text(closed), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
}

TEST(WriteBehind, WritesEveryByteInOrderWhateverTheSizesHandedOn) {
    CScratchDir dir;
    const std::string path = dir.Path("out");
    std::mt19937 random(7);
    std::vector<std::uint8_t> expected;
    CBinaryFile file;
    file.OpenForWrite(path, CBinaryFile::kNoDiskFlush);
    {
        CWriteBehind writer(file);
        for (int i = 0; i < 40; ++i) {
            // Nothing, a few bytes, or up to several pieces at once.
            std::vector<std::uint8_t> bytes(random() % 3 == 0 ? random() % 1'500'000
                                                              : random() % 100);
            for (std::uint8_t& byte : bytes)
                byte = static_cast<std::uint8_t>(random());
            writer.Write(bytes.data(), bytes.size());
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        writer.Finish();
    }
    file.Close();
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(AutoResetEvent, WaitForAnyTakesFirstSetInOrder) {
    CAutoResetEvent stop, request, poll;
    request.Set();
    poll.Set();
    EXPECT_EQ(WaitForAny({&stop, &request, &poll}, 0ms), 1);
    EXPECT_EQ(WaitForAny({&stop, &request, &poll}, 0ms), 2); // request was consumed
    EXPECT_EQ(WaitForAny({&stop, &request, &poll}, 10ms), kWaitTimeout);

    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        stop.Set();
    });
    EXPECT_EQ(WaitForAny({&stop, &request, &poll}, 5000ms), 0);
    setter.join();
    EXPECT_FALSE(stop.IsSet());
}

namespace {
struct RecordingTarget : CMessageTarget {
    std::vector<unsigned> posted;
    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        posted.push_back(message);
    }
    std::intptr_t Send(unsigned message, std::uintptr_t w, std::intptr_t) override {
        return static_cast<std::intptr_t>(message + w);
    }
};
} // namespace

TEST(Notifications, GoToTheMainTargetOrAreDropped) {
    PostToMain(kMsgSelectionChanged);
    EXPECT_EQ(SendToMain(kMsgTreeOperation, 1), 0);
    RecordingTarget target;
    {
        CMainTargetScope scope(&target);
        PostToMain(kMsgSelectionChanged);
        EXPECT_EQ(SendToMain(kMsgTreeOperation, 1), 0x501);
    }
    PostToMain(kMsgSelectionChanged);
    EXPECT_EQ(target.posted, std::vector<unsigned>{0x503});
}

TEST(Notifications, MainTargetScopesEndingInAnyOrderLeaveTheNewestLivingTarget) {
    RecordingTarget a;
    RecordingTarget b;
    RecordingTarget c;
    {
        auto outer = std::make_unique<CMainTargetScope>(&a);
        {
            CMainTargetScope middle(&b);
            EXPECT_EQ(GetMainTarget(), &b);
            // The outer scope ends first: the middle one must not fall back to its dead target.
            outer.reset();
            EXPECT_EQ(GetMainTarget(), &b);
            {
                CMainTargetScope inner(&c);
                EXPECT_EQ(GetMainTarget(), &c);
            }
            EXPECT_EQ(GetMainTarget(), &b);
        }
        EXPECT_EQ(GetMainTarget(), nullptr);
    }
    EXPECT_EQ(GetMainTarget(), nullptr);
}

TEST(Prompts, ScriptedAnswersAndRecord) {
    CScriptedPrompts prompts;
    prompts.answers = {true};
    {
        CPromptsScope scope(prompts);
        ShowError("Ошибка CRC");
        EXPECT_TRUE(GetPrompts().AskYesNo("?", "Подтверждение", CPrompts::Icon::Question));
        EXPECT_FALSE(GetPrompts().AskYesNo("?", "Подтверждение", CPrompts::Icon::Question));
    }
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[0].caption, "Lumetra View");
    EXPECT_EQ(prompts.shown[0].text, "Ошибка CRC");
}

// Scopes nest, a worker thread sees the prompts in use, and the last scope leaves the
// standard-error prompts behind.
TEST(Prompts, ScopesNestAndReachOtherThreads) {
    CPrompts* const initial = &GetPrompts();
    CScriptedPrompts outer;
    CScriptedPrompts inner;
    {
        CPromptsScope outerScope(outer);
        {
            CPromptsScope innerScope(inner);
            std::thread([] { ShowError("worker"); }).join();
        }
        ShowError("after");
    }
    EXPECT_EQ(&GetPrompts(), initial);
    ASSERT_EQ(inner.shown.size(), 1u);
    EXPECT_EQ(inner.shown[0].text, "worker");
    ASSERT_EQ(outer.shown.size(), 1u);
    EXPECT_EQ(outer.shown[0].text, "after");
}

// The arrays a block is sized for all fit, each on its own cache lines, and no more, in the
// small blocks of the heap as in the large ones of huge pages.
TEST(WorkBlock, HoldsExactlyTheArraysItWasSizedFor) {
    for (const std::size_t count : {std::size_t{1}, std::size_t{1000}, std::size_t{1'500'001}}) {
        SCOPED_TRACE(count);
        CWorkBlock block(CWorkBlock::Space<double>(count) + 2 * CWorkBlock::Space<float>(count));
        const std::span<double> sums = block.Take<double>(count);
        const std::span<float> first = block.Take<float>(count);
        const std::span<float> second = block.Take<float>(count);
        std::ranges::fill(sums, 1.0);
        std::ranges::fill(first, 2.0f);
        std::ranges::fill(second, 3.0f);
        EXPECT_TRUE(std::ranges::all_of(sums, [](double v) { return v == 1.0; }));
        EXPECT_TRUE(std::ranges::all_of(first, [](float v) { return v == 2.0f; }));
        for (const void* start :
             {static_cast<const void*>(first.data()), static_cast<const void*>(second.data())})
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(start) % 64, 0u);
        EXPECT_THROW(block.Take<float>(count + (2 << 20)), std::length_error);
    }
}

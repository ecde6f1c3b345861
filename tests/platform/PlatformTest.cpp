#include "platform/CAutoResetEvent.h"
#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;

TEST(BinaryFile, SaveReplacesOnlyWhenComplete) {
    CScratchDir dir;
    const std::string path = dir.Path("trace.sor");
    WriteAll(path, {1, 2, 3});

    { // abandoned (as by an exception mid-save): the old file stays, no temporary remains
        CBinaryFile file;
        file.OpenForWrite(path);
        file.Write("xyz", 3);
    }
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 1);

    CBinaryFile file;
    file.OpenForWrite(path);
    file.Write("\x04\x05", 2);
    file.Close();
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{4, 5}));
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
    SetMainTarget(&target);
    PostToMain(kMsgSelectionChanged);
    EXPECT_EQ(SendToMain(kMsgTreeOperation, 1), 0x501);
    SetMainTarget(nullptr);
    EXPECT_EQ(target.posted, std::vector<unsigned>{0x503});
}

TEST(Prompts, ScriptedAnswersAndRecord) {
    CScriptedPrompts prompts;
    prompts.answers = {true};
    CPrompts* previous = SetPrompts(&prompts);
    ShowError("Ошибка CRC");
    EXPECT_TRUE(GetPrompts().AskYesNo("?", "Подтверждение", CPrompts::Icon::Question));
    EXPECT_FALSE(GetPrompts().AskYesNo("?", "Подтверждение", CPrompts::Icon::Question));
    SetPrompts(previous);
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[0].caption, "Lumetra View");
    EXPECT_EQ(prompts.shown[0].text, "Ошибка CRC");
}

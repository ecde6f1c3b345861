#include "core/CSignal.h"
#include "platform/CMessageTarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Fills the signal the way a kind does from its file records.
class CFilledSignal : public CSignal {
public:
    void Fill(std::initializer_list<float> positions) {
        int index = 0;
        for (const float position : positions) {
            CKeyEvent event;
            event.SetFileIndex(index++);
            event.SetPosition(position);
            InsertEventSorted(event);
        }
    }
    std::vector<int> FileOrder() const {
        std::vector<int> order;
        for (const CKeyEvent& event : events_)
            order.push_back(event.GetFileIndex());
        return order;
    }
    using CSignal::SetLevels;
};

struct CRecordingTarget : CMessageTarget {
    void Post(unsigned message, std::uintptr_t w, std::intptr_t l) override {
        EXPECT_EQ(w, 0u);
        EXPECT_EQ(l, 0);
        posted.push_back(message);
    }
    std::intptr_t Send(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
    std::vector<unsigned> posted;
};

class SignalTest : public testing::Test {
protected:
    CRecordingTarget target;
    CMainTargetScope mainTarget{&target};
    CFilledSignal signal;
};

} // namespace

TEST_F(SignalTest, FilledEventsAreSortedWithEqualPositionsInReverseFileOrder) {
    signal.Fill({5.0f, 2.0f, 5.0f, 1.0f, 2.0f, std::nanf("")});
    EXPECT_EQ(signal.FileOrder(), (std::vector<int>{3, 4, 1, 2, 0, 5}));
    EXPECT_TRUE(signal.IsFileEventUsed(5));
    EXPECT_FALSE(signal.IsFileEventUsed(6));
    EXPECT_TRUE(target.posted.empty());
}

TEST_F(SignalTest, EventEditsPostTheChangeAndKeepTheOrder) {
    signal.Fill({1.0f, 2.0f, 3.0f});
    CKeyEvent moved = signal.GetEvent(0);
    moved.SetPosition(9.0f);
    signal.SetEvent(0, moved);
    EXPECT_EQ(signal.FileOrder(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(signal.IsEventsModified());
    EXPECT_EQ(target.posted, std::vector<unsigned>{0x503});

    EXPECT_EQ(signal.AddEvent(), 3); // at the end although its position 0 is the smallest
    EXPECT_EQ(signal.GetSelectedEvent(), 3);
    signal.DeleteEvent(3); // the selection may now point past the end
    EXPECT_EQ(signal.GetEventCount(), 3);
    EXPECT_EQ(signal.GetSelectedEvent(), 3);
    EXPECT_EQ(target.posted, (std::vector<unsigned>{0x503, 0x503, 0x503}));

    signal.SetEvent(3, moved); // out of range: nothing happens
    signal.DeleteEvent(-1);
    EXPECT_EQ(signal.GetEventCount(), 3);
    EXPECT_EQ(target.posted.size(), 3u);
}

TEST_F(SignalTest, ReferenceCountAndCopies) {
    signal.AddRef();
    EXPECT_FALSE(signal.Release()); // held once: the holder deletes it

    ASSERT_TRUE(signal.Open("/data/a.sor"));
    signal.SetLevels({1.0f, -2.0f, 3.0f}, 0.0f, 2.0f);
    signal.OffsetLevels(0.5f);
    signal.Fill({4.0f, 1.0f});
    signal.SetSelectedEvent(1);
    CFilledSignal copy;
    copy.AddRef();
    copy.AddRef();
    copy.AssignFrom(signal);
    copy.AssignFrom(copy);
    EXPECT_EQ(copy.GetLevels(), (std::vector<float>{1.5f, -1.5f, 3.5f}));
    EXPECT_EQ(copy.GetMinLevel(), -3.5f); // the bounds moved with the shift
    EXPECT_EQ(copy.FileOrder(), (std::vector<int>{1, 0}));
    EXPECT_EQ(copy.GetSelectedEvent(), 1);
    EXPECT_EQ(copy.GetFileName(), "/data/a.sor");
    EXPECT_TRUE(copy.IsLevelsModified());
    EXPECT_TRUE(copy.Release()); // its own count survives the copy

    ASSERT_TRUE(copy.Open("/data/b.sor")); // opening clears everything else
    EXPECT_FALSE(copy.IsModified());
    EXPECT_EQ(copy.GetPointCount() + copy.GetEventCount(), 0u);
    EXPECT_EQ(copy.GetSelectedEvent(), -1);
}

TEST(KeyEvent, TextsNamesAndIconsFollowTypeAndMarker) {
    CKeyEvent event;
    event.SetPosition(1.23456f);
    event.SetLoss(0.25f);
    event.SetReflectance(-45.5);
    event.SetAttenuation(0.2f);
    EXPECT_EQ(event.GetPositionText(), "1.235");
    EXPECT_EQ(event.GetLossText(), "0.250");
    // A start a fraction of a metre before zero reads 0.000, not -0.000.
    for (const auto& [position, text] : {std::pair{-0.0004f, "0.000"}, {-0.0006f, "-0.001"}}) {
        event.SetPosition(position);
        EXPECT_EQ(event.GetPositionText(), text);
    }
    event.SetPosition(1.23456f);
    EXPECT_EQ(event.GetReflectanceText(), "--");
    EXPECT_EQ(event.GetTypeName(), "Потеря");
    EXPECT_EQ(event.GetImageIndex(), 4);
    event.SetLoss(-0.1f);
    EXPECT_EQ(event.GetImageIndex(), 3); // a gain

    event.SetType(1);
    EXPECT_EQ(event.GetReflectanceText(), "-45.500");
    EXPECT_EQ(event.GetAttenuationText(), "0.200");
    EXPECT_EQ(event.GetTypeName(), "Отражение");
    // The files' "no value" (the two most negative stored numbers) is no number to show.
    for (const double none : {-2147483.648, -2147483.647}) {
        event.SetReflectance(none);
        EXPECT_EQ(event.GetReflectanceText(), "--");
    }
    event.SetReflectance(-2147483.646);
    EXPECT_EQ(event.GetReflectanceText(), "-2147483.646");
    event.SetAttenuation(-32.767f);
    EXPECT_EQ(event.GetAttenuationText(), "--");
    event.SetType(7); // codes stay within their tables
    EXPECT_EQ(event.GetTypeName(), "Другое");
    EXPECT_EQ(event.GetImageIndex(), 2);
    event.SetMarker(3);
    EXPECT_EQ(event.GetTypeName(), "Конец");
    EXPECT_EQ(event.GetImageIndex(), 1);
    event.SetMarker(-1);
    EXPECT_EQ(event.GetMarker(), 0);

    CKeyEvent unknown; // not a number sorts before everything
    unknown.SetPosition(std::nanf(""));
    EXPECT_EQ(event.ComparePosition(unknown), -1);
    EXPECT_EQ(unknown.ComparePosition(event), -1);
    EXPECT_EQ(event.ComparePosition(CKeyEvent()), 1);
}

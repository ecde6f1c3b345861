#include "formats/bellcore/BlockBytes.h"
#include "formats/bellcore/CKeyEvents.h"
#include "formats/bellcore/CKeyEventsSR.h"
#include "formats/bellcore/CLnkParams.h"

#include <limits>

namespace {

// Event record fields up to the technique, the same in both layouts.
void EventHead(CBytes& b, unsigned number, std::uint32_t time, int atten, int loss, int refl,
               const std::string& code, const std::string& technique) {
    b.U16(number).U32(time).U16(static_cast<std::uint16_t>(atten));
    b.U16(static_cast<std::uint16_t>(loss)).U32(static_cast<std::uint32_t>(refl));
    b.Chars(code).Chars(technique);
}

std::vector<std::uint8_t> KeyEventsFixture(bool sr) {
    CBytes b;
    if (sr)
        b.Str("KeyEvents");
    b.U16(2);
    EventHead(b, 1, 0, 210, -150, -45123, "1F0012", "LS");
    if (sr)
        b.U32(1).U32(2).U32(3).U32(4).U32(5);
    b.Str("splice");
    EventHead(b, 2, 123456, -5, 20, -60000, "2E9999", "2P");
    if (sr)
        b.U32(0).U32(0).U32(0).U32(0).U32(0);
    b.Str(" ");
    b.U32(static_cast<std::uint32_t>(-1234)).U32(100).U32(90000).U16(45000).U32(7).U32(8);
    return b.data;
}

std::vector<std::uint8_t> LandmarkFixture(bool sr, const std::string& code) {
    CBytes b;
    if (sr)
        b.Str("LnkParams");
    b.U16(1).U16(3).Chars(code).U32(5000).U16(2).U32(static_cast<std::uint32_t>(-370000));
    b.U32(556000).U16(static_cast<std::uint16_t>(-125)).U32(10).U32(20).Chars("mt").U16(92);
    b.Str("pole");
    return b.data;
}

} // namespace

TEST(EventCode, FormatsAndParsesTheSixCharacters) {
    EXPECT_EQ(FormatEventCode(1, 3, 12), "1F0012");
    EXPECT_EQ(FormatEventCode(2, 5, 12345), "2D1234");
    EXPECT_EQ(FormatEventCode(9, 9, 7), "0A0007");
    // A negative number keeps its sign and three digits, so it reads back unchanged.
    EXPECT_EQ(FormatEventCode(2, 5, -42), "2D-042");
    EXPECT_EQ(ParseEventCode(FormatEventCode(0, 0, -999)).number, -999);
    const CEventCode code = ParseEventCode("2M9999");
    EXPECT_EQ(code.type, 2);
    EXPECT_EQ(code.origin, 1);
    EXPECT_EQ(code.number, 9999);
    EXPECT_EQ(ParseEventCode("7A0001").type, 0);
    EXPECT_EQ(ParseEventCode("0A -12").number, -12);
    EXPECT_EQ(ParseEventCode("0A12x4").number, 12);
    const char stopped[] = {'0', 'A', 0, '1', '2', '3'};
    EXPECT_EQ(ParseEventCode({stopped, sizeof stopped}).number, 0);
}

TEST(KeyEvents, BothLayoutsReadAndWriteByteForByte) {
    CKeyEvents gr;
    ASSERT_EQ(ReadBlock(gr, KeyEventsFixture(false)), "");
    ASSERT_EQ(gr.GetEventCount(), 2);
    const CBellcoreEvent& first = gr.GetEvent(0);
    EXPECT_EQ(first.GetEventCodeText(), "1F0012");
    EXPECT_EQ(first.GetTechnique(), 1);
    EXPECT_FLOAT_EQ(first.GetAttenuationCoefficient(), 0.21f);
    EXPECT_FLOAT_EQ(first.GetEventLoss(), -0.15f);
    EXPECT_DOUBLE_EQ(first.GetEventReflectance(), -45.123);
    EXPECT_EQ(first.GetComment(), "splice");
    EXPECT_DOUBLE_EQ(gr.GetEndToEndLoss(), -1.234);
    EXPECT_FLOAT_EQ(gr.GetOpticalReturnLoss(), 45.0f);
    EXPECT_EQ(gr.GetSize(), 24u + (23 + 6) + (23 + 1));
    EXPECT_EQ(WriteBlock(gr), KeyEventsFixture(false));

    CKeyEventsSR sr;
    ASSERT_EQ(ReadBlock(sr, KeyEventsFixture(true)), "");
    EXPECT_EQ(sr.GetEvent(0).GetPeakOfCurrentEvent(), 5u);
    EXPECT_EQ(sr.GetSize(), 10u + 24 + (43 + 6) + (43 + 1));
    EXPECT_EQ(WriteBlock(sr), KeyEventsFixture(true));
}

TEST(KeyEvents, EmptyBlocksResetAndEditing) {
    CKeyEvents gr;
    EXPECT_FALSE(gr.HasData());
    CKeyEventsSR sr;
    EXPECT_TRUE(sr.HasData());
    EXPECT_EQ(WriteBlock(sr).size(), 34u);

    // Reset keeps the totals; in both layouts it drops the events, so a reload into the
    // same block never keeps an earlier trace's events.
    ASSERT_EQ(ReadBlock(sr, KeyEventsFixture(true)), "");
    sr.Reset();
    EXPECT_EQ(sr.GetEventCount(), 0);
    EXPECT_DOUBLE_EQ(sr.GetEndToEndLoss(), -1.234);

    gr.AppendEventRecord();
    gr.GetEvent(gr.AppendEventRecord()).SetComment("end");
    EXPECT_EQ(gr.GetEvent(0).GetEventCodeText(), "0A0000");
    gr.GetEvent(1).SetEventCode(1, 3, 12);
    const auto bytes = WriteBlock(gr);
    // The second record follows the count and a 24-byte first record; its code at 14.
    EXPECT_EQ(std::string(bytes.begin() + 40, bytes.begin() + 46), "1F0012");
    gr.RemoveEventRecord(0);
    EXPECT_EQ(gr.GetEvent(0).GetComment(), "end");
    EXPECT_THROW(gr.GetEvent(1), COtdrException);
    EXPECT_THROW(gr.GetEvent(0).SetEventCode(3, 0, 0), COtdrException);

    // Into the other layout: the record fields carry over, the five locations start at 0.
    sr.SetEvents({CBellcoreEventSR(gr.GetEvent(0))});
    EXPECT_EQ(sr.GetEvent(0).GetEventCodeText(), "1F0012");
    EXPECT_EQ(sr.GetEvent(0).GetEndOfPreviousEvent(), 0u);
}

TEST(KeyEvents, WritingSaturatesAndCodesFallBack) {
    CKeyEvents block;
    CBellcoreEvent& event = block.GetEvent(block.AppendEventRecord());
    event.SetEventLoss(1e9f);
    event.SetAttenuationCoefficient(std::numeric_limits<float>::quiet_NaN());
    event.SetEventReflectance(-std::numeric_limits<double>::infinity());
    block.SetOpticalReturnLoss(-5.0f);
    CBytes expected;
    expected.U16(1);
    EventHead(expected, 1, 0, 0, 32767, std::numeric_limits<std::int32_t>::min(), "0A0000", "2P");
    expected.Str(" ").U32(0).U32(0).U32(0).U16(0).U32(0).U32(0);
    EXPECT_EQ(WriteBlock(block), expected.data);

    // A technique outside the table reads as "OT" and is written so.
    expected.data[22] = 'X';
    expected.data[23] = 'X';
    ASSERT_EQ(ReadBlock(block, expected.data), "");
    EXPECT_EQ(block.GetEvent(0).GetTechnique(), 2);
    const auto written = WriteBlock(block);
    EXPECT_EQ(std::string(written.begin() + 22, written.begin() + 24), "OT");
}

TEST(LnkParams, LandmarksInBothLayouts) {
    CLnkParams block;
    ASSERT_EQ(ReadBlock(block, LandmarkFixture(false, "PO")), "");
    const CLandmark& landmark = block.GetLandmark(0);
    EXPECT_EQ(landmark.GetLandmarkCode(), 11);
    EXPECT_FLOAT_EQ(landmark.GetFiberCorrectionFactor(), -1.25f);
    EXPECT_EQ(landmark.GetSheathUnits(), 1);
    EXPECT_EQ(block.GetSize(), 2u + 33 + 4);
    EXPECT_EQ(WriteBlock(block), LandmarkFixture(false, "PO"));
    CLnkParamsSR sr;
    ASSERT_EQ(ReadBlock(sr, LandmarkFixture(true, "PO")), "");
    EXPECT_EQ(WriteBlock(sr), LandmarkFixture(true, "PO"));

    ASSERT_EQ(ReadBlock(block, LandmarkFixture(false, "ZZ")), "");
    EXPECT_EQ(block.GetLandmark(0).GetLandmarkCode(), 20);
    EXPECT_EQ(WriteBlock(block), LandmarkFixture(false, "OT"));

    EXPECT_THROW(block.GetLandmark(0).SetLandmarkCode(21), COtdrException);
    block.Reset();
    EXPECT_FALSE(block.HasData());
}

TEST(EventBlocks, BadInputIsRefusedWithoutCrashing) {
    auto renamed = KeyEventsFixture(true);
    renamed[0] = 'k';
    CKeyEventsSR sr;
    EXPECT_EQ(ReadBlock(sr, renamed), kMsgBlockError);
    auto lnk = LandmarkFixture(true, "PO");
    lnk[3] = 'n';
    CLnkParamsSR lnkSr;
    EXPECT_EQ(ReadBlock(lnkSr, lnk), kMsgBlockError);

    ExpectEveryPrefixUnreadable<CKeyEvents>(KeyEventsFixture(false));
    ExpectEveryPrefixUnreadable<CKeyEventsSR>(KeyEventsFixture(true));
    ExpectEveryPrefixUnreadable<CLnkParamsSR>(LandmarkFixture(true, "PO"));

    // Counts the remaining bytes could not hold are refused before anything is allocated.
    CBytes events;
    events.U16(0xFFFF).data.resize(22 * 100);
    CKeyEvents gr;
    EXPECT_EQ(ReadBlock(gr, events.data), kMsgCannotRead);
    CBytes marks;
    marks.U16(0xFFFF).data.resize(33 * 100);
    CLnkParams link;
    EXPECT_EQ(ReadBlock(link, marks.data), kMsgCannotRead);
}

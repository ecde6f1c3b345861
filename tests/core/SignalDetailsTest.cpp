// What the parameters pane lists beyond the five lines: the same facts from each of the three
// formats, blank and zero fields left out, and the text decoded from the files' code page.

#include "core/SignalDetails.h"
#include "core/CGR196Signal.h"
#include "core/SignalFactory.h"
#include "core/SignalFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

using Lines = std::vector<CDetailLine>;

// Every text in the time zone of the expected stamps.
class SignalDetailsTest : public testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        savedZone_ = zone ? std::optional<std::string>(zone) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    CScratchDir dir;

private:
    std::optional<std::string> savedZone_;
};

TEST_F(SignalDetailsTest, EachFormatListsWhatItHoldsAndLeavesBlankFieldsOut) {
    CGR196File file;
    FillBellcore(file, StandardEvents());
    file.GetFxdParams().SetDateTimeStamp(1700000000); // 2023-11-14 22:13:20 UTC
    file.GetFxdParams().SetNumberOfAverages(4096);
    CGenParams& gen = file.GetGenParams();
    gen.SetOperator("\xC8\xE2\xE0\xED\xEE\xE2  "); // "Иванов", padded as instruments do
    gen.SetCableId("CAB-7");
    gen.SetFiberId("12");
    gen.SetOriginatingLocation("  ATS-1");
    gen.SetTerminatingLocation(" "); // the format's empty field
    CSupParams& sup = file.GetSupParams();
    sup.SetSupplierName("EXFO");
    sup.SetOtdrMainframeId("FTB-200");
    sup.SetOtdrMainframeSerialNumber("705123 ");
    sup.SetOpticalModuleId("FTB-7200D");
    sup.SetOpticalModuleSerialNumber("\t");
    sup.SetSoftwareRevision("6.20");
    file.GetKeyEvents().SetEndToEndLoss(7.1234);
    file.GetKeyEvents().SetOpticalReturnLoss(32.5f);
    file.Save(dir.Path("full.sor"));

    const Lines common = {
        {"Дата и время:", "14.11.2023 22:13:20"}, {"Оператор:", "Иванов"}, {"Кабель:", "CAB-7"}};
    Lines bellcore = common;
    bellcore.insert(bellcore.end(), {{"Волокно:", "12"},
                                     {"Место A:", "ATS-1"},
                                     {"Производитель:", "EXFO"},
                                     {"Прибор:", "FTB-200, № 705123"},
                                     {"Модуль:", "FTB-7200D"},
                                     {"Программа:", "6.20"},
                                     {"Усреднений:", "4096"},
                                     {"Потери линии:", "7.123 dB"},
                                     {"ORL:", "32.50 dB"}});
    Lines m600 = common;
    m600.insert(m600.end(), {{"Место A:", "ATS-1"}, {"Усреднений:", "4096"}});

    std::unique_ptr<CSignal> gr(OpenSignal(dir.Path("full.sor")));
    ASSERT_TRUE(gr);
    EXPECT_EQ(gr->GetDetails(), bellcore);
    // The other formats carry the same facts through the conversions, as far as they hold them.
    const struct {
        SignalKind kind;
        const Lines& expected;
    } kinds[] = {{SignalKind::SR4731, bellcore}, {SignalKind::M600, m600}};
    for (const auto& [kind, expected] : kinds) {
        SCOPED_TRACE(KindNumber(kind));
        std::unique_ptr<CSignal> converted(ConvertSignal(*gr, kind));
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->GetDetails(), expected);
    }

    // A file that says nothing beyond its curve lists nothing.
    CGR196File bare;
    FillBellcore(bare, {});
    bare.GetFxdParams().SetDateTimeStamp(0);
    bare.GetFxdParams().SetNumberOfAverages(0);
    bare.Save(dir.Path("bare.sor"));
    std::unique_ptr<CSignal> empty(OpenSignal(dir.Path("bare.sor")));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetDetails(), Lines{});
    EXPECT_EQ(FormatTimeStamp(0), "");
}

} // namespace

// The event table as the command line exports it and the viewer copies it: one row per event
// of every file, readable back by a CSV reader into what the event list shows.

#include "analysis/EventTable.h"
#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "support/TestSupport.h"
#include "tools/lumetra-sor/SorTool.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// A plain RFC 4180 reader: quoted fields may hold commas, quotes and line breaks.
std::vector<Row> ReadCsv(const std::string& text) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.empty() && row.empty()) << "the last line has no line break";
    return rows;
}

std::unique_ptr<CSignal> Load(const std::string& path) {
    return std::unique_ptr<CSignal>(OpenSignal(path));
}

// The list's texts with its "--" as an empty cell, its numbers with a dot.
void ExpectRowShowsEvent(const Row& row, const CKeyEvent& event, int number) {
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[2], std::to_string(number));
    EXPECT_EQ(row[3], event.GetTypeName());
    EXPECT_NEAR(std::stod(row[4]), event.GetPosition(), 5e-4);
    const std::pair<std::string, double> values[] = {
        {event.GetLossText(), event.GetLoss()},
        {event.GetReflectanceText(), event.GetReflectance()},
        {event.GetAttenuationText(), event.GetAttenuation()}};
    for (int i = 0; i < 3; ++i) {
        const auto& [shown, value] = values[i];
        const std::string& cell = row[5 + static_cast<std::size_t>(i)];
        if (shown == "--") {
            EXPECT_EQ(cell, "");
        } else {
            EXPECT_EQ(cell.find(','), std::string::npos);
            EXPECT_NEAR(std::stod(cell), value, 5e-4);
        }
    }
}

TEST(SorEventsCsv, EverySampleGivesOneRowAnEventUnderOneHeader) {
    const auto samples = SampleFiles({".sor", ".tra"});
    if (samples.empty())
        GTEST_SKIP() << "no sample files";
    // A locale writing decimal commas must not reach the table.
    const bool commaLocale = std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
    std::vector<std::string> args = {"lumetra-sor", "export", "--format", "events-csv"};
    for (const auto& sample : samples)
        args.push_back(sample.string());
    std::ostringstream out, err;
    const int status = RunSorTool(args, out, err);
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(status, 0) << err.str();
    const std::vector<Row> rows = ReadCsv(out.str());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (Row{"file", "wavelength_nm", "number", "type", "distance_km", "loss_db",
                            "reflectance_db", "attenuation_db_per_km", "comment"}));
    std::size_t next = 1;
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.string());
        const std::unique_ptr<CSignal> signal = Load(sample.string());
        ASSERT_TRUE(signal);
        for (int i = 0; i < signal->GetEventCount(); ++i, ++next) {
            ASSERT_LT(next, rows.size());
            EXPECT_EQ(rows[next][0], sample.string());
            EXPECT_FALSE(rows[next][1].empty()) << "no wavelength";
            const CKeyEvent event = signal->GetEvent(i);
            ExpectRowShowsEvent(rows[next], event, i + 1);
            EXPECT_EQ(rows[next][8], event.GetComment());
        }
    }
    EXPECT_EQ(next, rows.size());
    if (!commaLocale)
        std::cout << "ru_RU.UTF-8 is not installed: decimal dots checked in the C locale only\n";
}

TEST(SorEventsCsv, TextsSurviveQuotingAndNeverRunAsFormulas) {
    CScratchDir dir;
    std::vector<std::string> args = {"lumetra-sor", "synth", dir.Path("a.sor"), "--points", "4000"};
    std::ostringstream out, err;
    ASSERT_EQ(RunSorTool(args, out, err), 0) << err.str();
    const std::unique_ptr<CSignal> signal = Load(dir.Path("a.sor"));
    ASSERT_TRUE(signal);
    ASSERT_GE(signal->GetEventCount(), 2);
    const std::string comments[] = {"муфта, \"Север\"\nряд 2", "=HYPERLINK(\"x\")"};
    for (int i = 0; i < 2; ++i) {
        CKeyEvent event = signal->GetEvent(i);
        event.SetComment(comments[i]);
        signal->SetEvent(i, event);
    }
    const std::string file = "папка, 1/a.sor";
    const std::vector<Row> rows = ReadCsv(EventTable(*signal, file, ETableStyle::Csv));
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(signal->GetEventCount()) + 1);
    EXPECT_EQ(rows[1][0], file);
    EXPECT_EQ(rows[1][1], "1310");
    EXPECT_EQ(rows[1][8], comments[0]);
    EXPECT_EQ(rows[2][8], "'" + comments[1]);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ExpectRowShowsEvent(rows[i], signal->GetEvent(static_cast<int>(i - 1)), int(i));

    // For the clipboard: one line a row, one tab between cells, whatever the texts hold.
    const std::string tabs = EventTable(*signal, file, ETableStyle::Tabs);
    std::istringstream lines(tabs);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8) << line;
    EXPECT_EQ(count, signal->GetEventCount() + 1);
}

} // namespace

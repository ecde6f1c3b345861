// lumetra-view --print-pdf: the active signal's page without a dialog, written whole or not
// at all.

#include "AppTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

QStringList Leftovers(const CScratchDir& dir, const std::string& keep) {
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Root())) {
        const std::string name = entry.path().filename().string();
        if (name != keep && name != "settings" && name != "demo.sor")
            names << Q(name);
    }
    return names;
}

TEST(PrintPdfTest, WritesThePageOverAnOlderFileAndLeavesNothingElse) {
    CScratchDir dir;
    const std::string demo = CopyDemo(dir, "demo.sor");
    const std::string pdf = dir.Path("report.pdf");
    WriteAll(pdf, {'o', 'l', 'd'});
    {
        CViewerApp app(dir.Path("settings"));
        EXPECT_EQ(app.Start({QStringLiteral("lumetra-view"), QStringLiteral("--print-pdf"), Q(pdf),
                             QStringLiteral("--traces"), QStringLiteral("project"), Q(demo)}),
                  StartStatus::Finished);
    }
    const std::vector<std::uint8_t> bytes = ReadAll(pdf);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "%PDF");
    EXPECT_TRUE(Leftovers(dir, "report.pdf").isEmpty())
        << Leftovers(dir, "report.pdf").join(QLatin1Char(' ')).toStdString();

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {Q(pdf), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QStringLiteral("Трасса : ") + Q(demo))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Разъём прибора")));
}

TEST(PrintPdfTest, NothingToPrintOrABadChoiceWritesNothing) {
    CScratchDir dir;
    const QString pdf = Q(dir.Path("report.pdf"));

    // No trace given: the reason goes to standard error and the run fails.
    QProcess viewer;
    viewer.start(QStringLiteral(LUMETRA_VIEW_BINARY),
                 {QStringLiteral("--settings-dir"), Q(dir.Path("settings")),
                  QStringLiteral("--print-pdf"), pdf});
    ASSERT_TRUE(viewer.waitForFinished(30000));
    EXPECT_EQ(viewer.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(viewer.readAllStandardError())
                    .contains(QStringLiteral("Не выбран сингнал")));
    EXPECT_TRUE(Leftovers(dir, "").isEmpty())
        << Leftovers(dir, "").join(QLatin1Char(' ')).toStdString();

    const std::string demo = CopyDemo(dir, "demo.sor");
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--print-pdf"), pdf, QStringLiteral("--traces"),
                      QStringLiteral("some"), Q(demo)},
          QStringList{QStringLiteral("--traces"), QStringLiteral("active"), Q(demo)}}) {
        CViewerApp app(dir.Path("settings"));
        EXPECT_EQ(app.Start(QStringList{QStringLiteral("lumetra-view")} + arguments),
                  StartStatus::UsageError)
            << arguments.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
}

} // namespace

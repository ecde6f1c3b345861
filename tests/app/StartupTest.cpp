// Starting the viewer: files from the command line, a second start, a crashed predecessor and
// the headless modes.

#include "AppTestSupport.h"

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CSingleInstance.h"
#include "app/CTextListPane.h"
#include "app/CWorkspaceTree.h"
#include "display/TracePrintout.h"
#include "platform/CSmbShareAccess.h"
#include "project/CProject.h"
#include "project/CSignalEntry.h"
#include "scan/CAppSettings.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

class StartupTest : public ViewerFixture {
protected:
    int EventRows() { return Frame().EventListBar().List().topLevelItemCount(); }
};

TEST_F(StartupTest, CommandLineFileOpensIntoANewProjectAndTheNextOpenJoinsIt) {
    const std::string demo = CopyDemo(scratch, "demo.sor");
    ASSERT_EQ(Start({demo}), StartStatus::Running);
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    CProject& project = Workspace().GetProject(0);
    EXPECT_EQ(project.GetName(), "Проект");
    ASSERT_EQ(project.GetEntryCount(), 1);
    EXPECT_EQ(Active().GetFileName(), demo);

    QTreeWidgetItem* top = Frame().Tree().topLevelItem(0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(0), Q("Проект"));
    ASSERT_EQ(top->childCount(), 1);
    EXPECT_EQ(top->child(0)->text(0), Q("demo.sor"));
    EXPECT_EQ(Frame().Tree().currentItem(), top->child(0));

    EXPECT_GT(Active().GetEventCount(), 0);
    EXPECT_EQ(EventRows(), Active().GetEventCount());
    // The five lines, then what the file says about the measurement.
    ASSERT_GE(Frame().Parameters().RowCount(), 5);
    EXPECT_EQ(Frame().Parameters().Caption(0), Q("Диапазон:"));
    ASSERT_EQ(Frame().Markers().RowCount(), 7);
    EXPECT_EQ(Frame().Markers().Caption(0), Q("Маркер A:"));
    EXPECT_EQ(Frame().StatusMessage(), QString());

    EXPECT_TRUE(Frame().OpenPath(WriteTrace(scratch, "plain.sor")));
    Settle();
    EXPECT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_EQ(project.GetEntryCount(), 2);
    EXPECT_EQ(top->child(1)->text(0), Q("plain.sor"));
    EXPECT_EQ(EventRows(), 0); // the views follow the new trace
    EXPECT_TRUE(TakeShown().empty());
}

TEST_F(StartupTest, FileOfNoKnownKindIsReportedAndLeavesTheWorkspaceAsItWas) {
    const std::string junk = WriteJunk(scratch, "junk.sor");
    ASSERT_EQ(Start({junk}), StartStatus::Running);
    EXPECT_EQ(TakeShown(), Lines{"Lumetra View: junk.sor: Неправильный тип файла"});
    EXPECT_EQ(Workspace().GetProjectCount(), 0);
    EXPECT_EQ(Frame().Tree().topLevelItemCount(), 0);

    ASSERT_TRUE(Frame().OpenPath(CopyDemo(scratch, "demo.sor")));
    Settle();
    const int rows = EventRows();
    EXPECT_FALSE(Frame().OpenPath(junk));
    Settle();
    EXPECT_EQ(TakeShown(), Lines{"Lumetra View: junk.sor: Неправильный тип файла"});
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);
    EXPECT_EQ(Frame().Tree().topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(EventRows(), rows);
}

TEST_F(StartupTest, ChecksumWarningGoesToTheStatusBarWithoutABox) {
    std::vector<std::uint8_t> bytes = ReadAll(LUMETRA_DEMO_TRACE);
    bytes.back() ^= 0x5A; // the stored checksum
    WriteAll(scratch.Path("field.sor"), bytes);
    ASSERT_EQ(Start({scratch.Path("field.sor")}), StartStatus::Running);
    EXPECT_TRUE(TakeShown().empty());
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);
    EXPECT_TRUE(Frame().StatusMessage().startsWith(Q("field.sor: ")));
    EXPECT_TRUE(Frame().StatusMessage().contains(Q("Контрольная сумма")));
    // The next file that opens cleanly clears it.
    Frame().OpenPath(WriteTrace(scratch, "clean.sor"));
    EXPECT_EQ(Frame().StatusMessage(), QString());
}

TEST_F(StartupTest, SecondStartHandsItsAbsolutePathOverAndShowsNoWindow) {
    ASSERT_EQ(Start(), StartStatus::Running);
    WriteTrace(scratch, "handed.sor");
    const qsizetype windows = QApplication::topLevelWidgets().size();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Q(scratch.Root().string()));
    {
        CViewerApp second(scratch.Root().string());
        EXPECT_EQ(StartSecond(second, {Q("handed.sor")}), StartStatus::HandedOver);
        EXPECT_EQ(second.MainFrame(), nullptr);
        CViewerApp empty(scratch.Root().string());
        EXPECT_EQ(StartSecond(empty, {}), StartStatus::HandedOver);
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Workspace().GetProjectCount() == 1; }));
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);
    EXPECT_EQ(Active().GetFileName(), scratch.Path("handed.sor"));
}

TEST_F(StartupTest, AProjectFileHandedToTheViewerOpensAsAProject) {
    {
        CProject saved;
        CSignalEntry entry;
        entry.OpenTrace(CopyDemo(scratch, "demo.sor"));
        saved.AppendEntry(std::move(entry));
        ASSERT_TRUE(saved.Save(scratch.Path("route.VTP")));
    }
    ASSERT_EQ(Start({scratch.Path("route.VTP")}), StartStatus::Running);
    ASSERT_EQ(Workspace().GetProjectCount(), 1);
    EXPECT_EQ(Workspace().GetProject(0).GetEntryCount(), 1);
    EXPECT_TRUE(TakeShown().empty());
}

TEST_F(StartupTest, LockAndSocketLeftByACrashedViewerDoNotBlockTheNextStart) {
    QProcess crashed;
    crashed.start(QStringLiteral(LUMETRA_VIEW_BINARY),
                  {QStringLiteral("--instance"), instanceName, QStringLiteral("--settings-dir"),
                   Q(scratch.Path("crashed"))});
    const CSingleInstance names(instanceName);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(names.SocketPath());
            return probe.waitForConnected(100);
        },
        20000));
    crashed.kill();
    ASSERT_TRUE(crashed.waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(names.SocketPath()));
    ASSERT_TRUE(QFileInfo::exists(names.LockPath()));

    ASSERT_EQ(Start(), StartStatus::Running);
    EXPECT_TRUE(app->Instance()->IsListening());
}

TEST_F(StartupTest, ClosingDuringAScanOfAUnitThatNeverAnswersTakesAtMostFiveSeconds) {
    // The unit takes connections and never says a word.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::atomic<bool> done{false};
    std::atomic<int> accepted{0};
    std::vector<int> connections;
    std::thread acceptor([&] {
        while (!done.load()) {
            pollfd ready{listener, POLLIN, 0};
            if (::poll(&ready, 1, 20) > 0) {
                if (const int connection = ::accept(listener, nullptr, nullptr); connection >= 0) {
                    connections.push_back(connection);
                    ++accepted;
                }
            }
        }
    });
    ::setenv(CSmbShareAccess::kPortVariable, std::to_string(ntohs(address.sin_port)).c_str(), 1);

    ASSERT_EQ(Start(), StartStatus::Running);
    CScanSettings& scan = app->Settings().GetScanSettings();
    scan.SetUseIp(true);
    scan.SetIpAddress(0x7F000001);
    scan.SetFiberEnabled(0, true);
    Frame().OnStartStopScan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return accepted.load() > 0; }, 10000));
    ASSERT_TRUE(Frame().Scanner().IsRunning());

    // A new start must be able to take over while this viewer still waits.
    const std::string lock = QFile::encodeName(app->Instance()->LockPath()).toStdString();
    ASSERT_TRUE(fs::exists(lock));
    const auto before = std::chrono::steady_clock::now();
    std::atomic<std::int64_t> lockGoneMs{-1};
    std::thread watcher([&] {
        while (std::chrono::steady_clock::now() - before < std::chrono::seconds(20)) {
            if (!fs::exists(lock)) {
                lockGoneMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - before)
                                 .count();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    Frame().close();
    app.reset();
    const auto ended = std::chrono::steady_clock::now();
    watcher.join();
    // Five seconds of waiting with room for a loaded or sanitized run; waiting twice and then
    // joining took over ten, with the lock held all along.
    EXPECT_LT(ended - before, std::chrono::milliseconds(7500));
    EXPECT_GE(lockGoneMs.load(), 0);
    EXPECT_LT(lockGoneMs.load(), 3000);

    // The worker left behind ends when the unit hangs up, and shows nothing.
    done = true;
    acceptor.join();
    for (const int connection : connections)
        ::close(connection);
    ::close(listener);
    ::unsetenv(CSmbShareAccess::kPortVariable);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(HeadlessTest, ScreenshotOpensTheFilesInA1280x800WindowWithoutAskingAnyone) {
    CScratchDir dir;
    const std::string demo = CopyDemo(dir, "demo.sor");
    const std::string junk = WriteJunk(dir, "junk.sor");
    QProcess viewer;
    viewer.start(QStringLiteral(LUMETRA_VIEW_BINARY),
                 {QStringLiteral("--settings-dir"), Q(dir.Path("settings")),
                  QStringLiteral("--screenshot"), Q(dir.Path("shot.png")), Q(demo), Q(junk)});
    ASSERT_TRUE(viewer.waitForFinished(30000));
    EXPECT_EQ(viewer.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(viewer.readAllStandardError())
                    .contains(Q("Неправильный тип файла")));
    EXPECT_EQ(QImage(Q(dir.Path("shot.png"))).size(), QSize(1280, 800));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("settings/vitrea_ru.cfg")));

    CViewerApp app(dir.Root().string());
    EXPECT_EQ(app.Start({QStringLiteral("lumetra-view"), QStringLiteral("--no-such-option")}),
              StartStatus::UsageError);
}

TEST(HeadlessTest, FirstPaintRunEndsByItselfAndTellsTheBenchmarkItsTimes) {
    CScratchDir dir;
    const std::string demo = CopyDemo(dir, "demo.sor");
    QProcess viewer;
    viewer.start(QStringLiteral(LUMETRA_VIEW_BINARY),
                 {QStringLiteral("--settings-dir"), Q(dir.Path("settings")),
                  QStringLiteral("--exit-after-first-paint"), Q(demo)});
    ASSERT_TRUE(viewer.waitForFinished(30000));
    EXPECT_EQ(viewer.exitCode(), 0);
    // Two lines the start-up script reads; the opening comes after the start.
    const QStringList lines = QString::fromLocal8Bit(viewer.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression line(
        QStringLiteral("^(open|start) to first paint: (\\d+\\.\\d{3}) ms$"));
    const QRegularExpressionMatch open = line.match(lines[0]);
    const QRegularExpressionMatch start = line.match(lines[1]);
    ASSERT_TRUE(open.hasMatch() && start.hasMatch()) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(open.captured(1), Q("open"));
    EXPECT_EQ(start.captured(1), Q("start"));
    EXPECT_GT(open.captured(2).toDouble(), 0.0);
    EXPECT_LE(open.captured(2).toDouble(), start.captured(2).toDouble());
}

TEST(HeadlessTest, HelpAndVersionNeedNoDisplayAndSettingsGoToTheConfigurationFolder) {
    CScratchDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LUMETRA_SETTINGS_DIR"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Q(dir.Path("config")));
    const auto run = [&](const QStringList& arguments) {
        QProcess viewer;
        viewer.setProcessEnvironment(environment);
        viewer.setWorkingDirectory(Q(dir.Root().string()));
        viewer.start(QStringLiteral(LUMETRA_VIEW_BINARY), arguments);
        EXPECT_TRUE(viewer.waitForFinished(30000));
        EXPECT_EQ(viewer.exitCode(), 0) << viewer.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(viewer.readAllStandardOutput());
    };
    EXPECT_TRUE(run({QStringLiteral("--help")}).contains(QStringLiteral("--print-pdf")));
    // The About box and the printout say the version the program (and the package) gives.
    const QString version = run({QStringLiteral("--version")}).trimmed();
    EXPECT_TRUE(version.startsWith(QStringLiteral("lumetra-view 1.")));
    EXPECT_EQ(QStringLiteral("Version ") + version.section(QLatin1Char(' '), 1),
              QString::fromLatin1(kProgramVersion));

    // Without --settings-dir the settings file is the user's, not the working folder's.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    run({QStringLiteral("--screenshot"), Q(dir.Path("shot.png")), Q(CopyDemo(dir, "demo.sor"))});
    EXPECT_TRUE(std::filesystem::exists(dir.Path("config/lumetra-view/vitrea_ru.cfg")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("vitrea_ru.cfg")));
}

} // namespace

TEST(SingleInstanceTest, WithoutARuntimeFolderTheLockLivesInAPrivateFolderOfTheUser) {
    CScratchDir scratch;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray temporary = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QByteArray::fromStdString(scratch.Root().string()));
    const std::string folder = scratch.Path("lumetra-view-" + std::to_string(getuid()));
    const auto refused = [&](const char* why) {
        CSingleInstance other(QStringLiteral("lumetra-test-private"));
        EXPECT_EQ(other.Acquire(), CSingleInstance::Role::Primary) << why;
        EXPECT_FALSE(other.IsListening()) << why;
        EXPECT_TRUE(other.SocketPath().isEmpty()) << why;
        EXPECT_FALSE(other.HandOver({QStringLiteral("/x.sor")}, 200)) << why;
    };
    {
        CSingleInstance first(QStringLiteral("lumetra-test-private"));
        ASSERT_EQ(first.Acquire(), CSingleInstance::Role::Primary);
        EXPECT_TRUE(first.IsListening());
        EXPECT_EQ(first.SocketPath().toStdString(), folder + "/lumetra-test-private");
        struct stat status {};
        ASSERT_EQ(::lstat(folder.c_str(), &status), 0);
        EXPECT_TRUE(S_ISDIR(status.st_mode));
        EXPECT_EQ(status.st_mode & 0777, 0700u);
        EXPECT_EQ(status.st_uid, getuid());
        // A second start finds the first one there.
        CSingleInstance second(QStringLiteral("lumetra-test-private"));
        EXPECT_EQ(second.Acquire(), CSingleInstance::Role::Secondary);
    }
    // Anyone may enter it: someone else may have put a socket or a lock there.
    ::chmod(folder.c_str(), 0755);
    refused("mode 0755");
    // A link to a private folder is not the folder.
    fs::remove_all(folder);
    fs::create_directories(scratch.Path("elsewhere"));
    ::chmod(scratch.Path("elsewhere").c_str(), 0700);
    fs::create_directory_symlink(scratch.Path("elsewhere"), folder);
    refused("a link");
    fs::remove(folder);
    if (getuid() == 0) {
        fs::create_directories(folder);
        ::chmod(folder.c_str(), 0700);
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        refused("another user's");
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
    if (temporary.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", temporary);
}

#include "AppTestSupport.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace {

// Nothing a test run stores may reach the user's own settings or runtime folder.
class CPrivateStores : public ::testing::Environment {
public:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           Q(folder_.Path("config")));
        std::filesystem::create_directory(folder_.Path("runtime"));
        std::filesystem::permissions(folder_.Path("runtime"), std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_.Path("runtime")));
        // For the viewers the tests start as processes.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder_.Path("config")));
    }

private:
    CScratchDir folder_;
};

[[maybe_unused]] const ::testing::Environment* const privateStores =
    ::testing::AddGlobalTestEnvironment(new CPrivateStores);

} // namespace

QString UniqueInstanceName() {
    static int count = 0;
    return QStringLiteral("lumetra-test-%1-%2").arg(getpid()).arg(++count);
}

void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(10, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(modal);
        else
            WhenModal(act);
    });
}

ViewerFixture::ViewerFixture() : app(std::make_unique<CViewerApp>(scratch.Root().string())) {
    app->UsePrompts(&prompts);
}

ViewerFixture::~ViewerFixture() {
    app.reset();
    Settle();
}

StartStatus ViewerFixture::Start(const std::vector<std::string>& files) {
    QStringList arguments{QStringLiteral("lumetra-view"), QStringLiteral("--instance"),
                          instanceName};
    for (const std::string& file : files)
        arguments << Q(file);
    const StartStatus status = app->Start(arguments);
    if (app->MainFrame()) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(app->MainFrame()));
    }
    Settle();
    return status;
}

StartStatus ViewerFixture::StartSecond(CViewerApp& second, const QStringList& files) {
    second.UsePrompts(&prompts);
    return second.Start(
        QStringList{QStringLiteral("lumetra-view"), QStringLiteral("--instance"), instanceName} +
        files);
}

std::vector<std::string> ViewerFixture::TakeShown() {
    std::vector<std::string> lines;
    for (const CScriptedPrompts::Record& record : prompts.shown)
        lines.push_back(record.caption + ": " + record.text);
    prompts.shown.clear();
    return lines;
}

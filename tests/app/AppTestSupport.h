#pragma once
// The viewer as the tests drive it: started from a command line of their own, with its
// settings, layout store and single-instance name private to the test run, and scripted
// answers to every question.

#include "app/CMainFrame.h"
#include "app/CViewerApp.h"
#include "core/CSignal.h"
#include "formats/bellcore/CGR196File.h"
#include "platform/CPrompts.h"
#include "support/TestSupport.h"
#include "support/TraceFixtures.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The bundled demo trace (events with descriptions) under a new name; returns its path.
inline std::string CopyDemo(const CScratchDir& dir, const std::string& name) {
    std::filesystem::copy_file(LUMETRA_DEMO_TRACE, dir.Path(name));
    return dir.Path(name);
}

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Runs what was posted to the frame.
inline void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A single-instance name no other run uses.
QString UniqueInstanceName();

// Once a modal dialog is up, hands it to act (which must close it). For code that runs one.
void WhenModal(std::function<void(QWidget*)> act);

class ViewerFixture : public ::testing::Test {
protected:
    ViewerFixture();
    ~ViewerFixture() override;

    // Starts the viewer (made with the fixture) with the files on its command line.
    StartStatus Start(const std::vector<std::string>& files = {});
    // Another viewer object on the same instance name, as a second start would be.
    StartStatus StartSecond(CViewerApp& second, const QStringList& files);

    CMainFrame& Frame() { return *app->MainFrame(); }
    CWorkspace& Workspace() { return Frame().Workspace(); }
    // The active entry's signal.
    CSignal& Active() { return *Workspace().ActiveEntry()->GetTrace(); }
    // What was shown, each as "caption: text"; cleared after reading.
    std::vector<std::string> TakeShown();

    CScratchDir scratch;
    CScriptedPrompts prompts;
    QString instanceName = UniqueInstanceName();
    // Settings in the scratch folder.
    std::unique_ptr<CViewerApp> app;
};

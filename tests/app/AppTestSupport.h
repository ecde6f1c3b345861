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

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A GR-196-CORE trace of 64 points without events; returns its path.
inline std::string WriteTrace(const CScratchDir& dir, const std::string& name) {
    CGR196File file;
    std::vector<float> levels(64);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = 3.0f + 0.1f * static_cast<float>(i);
    file.GetFxdParams().SetGroupIndex(1.4682);
    file.GetFxdParams().AddPulseEntry(CPulseWidthEntry(1000, 500, 64));
    file.GetDataPts().SetLevels(64, levels.data());
    file.Save(dir.Path(name));
    return dir.Path(name);
}

// The bundled demo trace (events with descriptions) under a new name; returns its path.
inline std::string CopyDemo(const CScratchDir& dir, const std::string& name) {
    std::filesystem::copy_file(LUMETRA_DEMO_TRACE, dir.Path(name));
    return dir.Path(name);
}

// Content no reader recognises.
inline std::string WriteJunk(const CScratchDir& dir, const std::string& name) {
    WriteAll(dir.Path(name), std::vector<std::uint8_t>(64, 0));
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

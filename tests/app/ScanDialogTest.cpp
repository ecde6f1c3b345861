// The two scanning dialogs and the .spr file commands, with the file dialogs answered by the
// test and the frame's messages recorded.

#include "AppTestSupport.h"

#include "app/CExtraParamsDialog.h"
#include "app/CQtMessageTarget.h"
#include "app/CScanParamsDialog.h"
#include "app/ScanSettingsFiles.h"
#include "platform/CMessageTarget.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"
#include "scan/CScanner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <optional>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::string Cp(const char* utf8) {
    return TextCodec::Utf8ToCp1251(utf8);
}

template <class T> T* Child(QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QLatin1String(name));
    if (!child)
        throw std::runtime_error(std::string("no control ") + name);
    return child;
}

void Click(QWidget& dialog, const char* button) {
    Child<QPushButton>(dialog, button)->click();
}

QLineEdit* AveragingEdit(QWidget& dialog) {
    return Child<QSpinBox>(dialog, "averaging")->findChild<QLineEdit*>();
}

class ScanDialogTest : public ::testing::Test {
protected:
    ScanDialogTest() {
        SetScanSettingsFileChooser([this](QWidget*, bool save) {
            chooserCalls.push_back(save);
            return chosenPath;
        });
    }
    ~ScanDialogTest() override {
        SetScanSettingsFileChooser({});
        Settle();
    }

    CScanSettings& Scan() { return app.GetScanSettings(); }
    // The messages posted to the frame since the last call.
    std::vector<unsigned> TakePosted() {
        Settle();
        return std::exchange(posted, {});
    }

    CScratchDir scratch;
    CAppSettings app{scratch.Root().string()};
    CScriptedPrompts prompts;
    CPromptsScope promptsScope{prompts};
    std::vector<unsigned> posted;
    // What the frame does beyond recording.
    std::function<void(unsigned)> onMessage;
    CQtMessageTarget frame{[this](unsigned message, std::uintptr_t, std::intptr_t) {
        posted.push_back(message);
        if (onMessage)
            onMessage(message);
        return std::intptr_t{0};
    }};
    CMainTargetScope mainTarget{&frame};
    // The file dialogs' answer, and whether each was a save.
    std::optional<std::string> chosenPath;
    std::vector<bool> chooserCalls;
};

TEST_F(ScanDialogTest, AveragingIsReadAsANumberAndClampedInto1To255) {
    const std::pair<const char*, int> cases[] = {{"0", 1},     {"-5", 1},           {"abc", 1},
                                                 {"256", 255}, {"1000", 255},       {"17", 17},
                                                 {" 42x", 42}, {"99999999999", 255}};
    for (const auto& [typed, expected] : cases) {
        CScanParamsDialog dialog(app, false);
        QLineEdit* edit = AveragingEdit(dialog);
        // Leaving the field shows the clamped number.
        edit->setText(QString::fromUtf8(typed));
        QTest::keyClick(Child<QSpinBox>(dialog, "averaging"), Qt::Key_Return);
        EXPECT_EQ(edit->text(), QString::number(expected)) << typed;
        // Accepting straight after typing stores the clamped number as well.
        edit->setText(QString::fromUtf8(typed));
        Click(dialog, "accept");
        EXPECT_EQ(Scan().GetAveraging(0), expected) << typed;
    }
}

TEST_F(ScanDialogTest, OpensOnFibre1AndEachRowShowsAndKeepsItsOwnPage) {
    Scan().SetFiberEnabled(2, true);
    Scan().SetDataFlag(2, CScanSettings::kStateSplice);
    Scan().SetAveraging(2, 64);
    Scan().SetFilter(2, true);
    Scan().SetDistanceIndex(2, 3);
    Scan().SetPulseIndex(2, 6);
    const CScanSettings before = Scan();

    CScanParamsDialog dialog(app, true);
    auto* list = Child<QListWidget>(dialog, "fiberList");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentRow(), 0);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list->item(row)->text(), QString::fromUtf8("Волокно %1").arg(row + 1));
        EXPECT_EQ(list->item(row)->checkState(), row == 2 ? Qt::Checked : Qt::Unchecked);
        // The whole name is in sight, number included.
        EXPECT_LE(list->visualItemRect(list->item(row)).left() +
                      list->sizeHintForIndex(list->model()->index(row, 0)).width(),
                  list->viewport()->width());
    }
    EXPECT_FALSE(Child<QPushButton>(dialog, "scan")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "address")->isEnabled());

    Child<QComboBox>(dialog, "state")->setCurrentIndex(2);
    AveragingEdit(dialog)->setText(QStringLiteral("300"));
    list->setCurrentRow(2);
    EXPECT_EQ(Child<QComboBox>(dialog, "state")->currentText(), QString::fromUtf8("Сварка"));
    EXPECT_EQ(AveragingEdit(dialog)->text(), QStringLiteral("64"));
    EXPECT_TRUE(Child<QCheckBox>(dialog, "filter")->isChecked());
    EXPECT_EQ(Child<QComboBox>(dialog, "distance")->currentText(), QString::fromUtf8("160 км"));
    EXPECT_EQ(Child<QComboBox>(dialog, "pulse")->currentText(), QString::fromUtf8("10000 нс"));

    list->setCurrentRow(0);
    EXPECT_EQ(Child<QComboBox>(dialog, "state")->currentIndex(), 2);
    EXPECT_EQ(AveragingEdit(dialog)->text(), QStringLiteral("255"));
    EXPECT_TRUE(Scan() == before); // nothing stored before a button says so

    Click(dialog, "cancel");
    EXPECT_TRUE(Scan() == before);
    EXPECT_TRUE(TakePosted().empty());
}

TEST_F(ScanDialogTest, ConnectingByNameKeepsTheStoredAddress) {
    Scan().SetUseIp(true);
    Scan().SetIpAddress(0x0A010203);
    {
        CScanParamsDialog dialog(app, false);
        auto* address = Child<QLineEdit>(dialog, "address");
        EXPECT_EQ(address->text(), QStringLiteral("10.1.2.3"));
        EXPECT_TRUE(address->isEnabled());
        Child<QCheckBox>(dialog, "useIp")->setChecked(false);
        EXPECT_FALSE(address->isEnabled());
        address->setText(QStringLiteral("9.9.9.9"));
        Click(dialog, "accept");
    }
    EXPECT_FALSE(Scan().GetUseIp());
    EXPECT_EQ(Scan().GetIpAddress(), 0x0A010203u);
    EXPECT_EQ(TakePosted(), std::vector<unsigned>{kMsgScanSettingsChanged});

    CScanParamsDialog dialog(app, false);
    Child<QCheckBox>(dialog, "useIp")->setChecked(true);
    EXPECT_TRUE(Child<QLineEdit>(dialog, "address")->isEnabled());
    Child<QLineEdit>(dialog, "address")->setText(QStringLiteral("172.16."));
    Click(dialog, "accept");
    EXPECT_TRUE(Scan().GetUseIp());
    EXPECT_EQ(Scan().GetIpAddress(), 0xAC100000u); // an empty octet reads as 0
}

TEST_F(ScanDialogTest, UntickingAFibreClearsOnlyItsEnabledFlag) {
    for (int fiber = 0; fiber < 4; ++fiber) {
        Scan().SetFiberEnabled(fiber, true);
        Scan().SetAveraging(fiber, 10 + fiber);
        Scan().SetDistanceIndex(fiber, fiber);
        Scan().SetPulseIndex(fiber, 2 * fiber);
        Scan().SetFilter(fiber, fiber % 2 != 0);
        Scan().SetDataFlag(fiber, fiber % 3);
    }
    Scan().SetRtuName(Cp("РТУ-Север"));
    Scan().SetPassword(Cp("пароль"));
    auto record = Scan().GetBytes(); // a filter byte of 2, as a record from elsewhere may hold
    record[2072 + 3 * 1072 + 1] = 2;
    Scan().SetBytes(record.data(), record.size());
    const CScanSettings before = Scan();

    CScanParamsDialog dialog(app, false);
    Child<QListWidget>(dialog, "fiberList")->item(1)->setCheckState(Qt::Unchecked);
    Click(dialog, "accept");

    CScanSettings expected = before;
    expected.SetFiberEnabled(1, false);
    EXPECT_TRUE(Scan() == expected); // every other byte, the texts too, as it was
}

TEST_F(ScanDialogTest, LoadDiscardsTheDialogsEditsAndShowsTheFilesValues) {
    CScanSettings file;
    file.SetRtuName(Cp("узел-7"));
    file.SetUseIp(true);
    file.SetIpAddress(0xC0A80105);
    file.SetFiberEnabled(3, true);
    file.SetAveraging(0, 128);
    file.SetPulseIndex(0, 4);
    const std::string path = scratch.Path("rtu.spr");
    ASSERT_TRUE(file.SaveToFile(path));

    CScanParamsDialog dialog(app, false);
    dialog.show();
    Child<QLineEdit>(dialog, "rtuName")->setText(QStringLiteral("edited"));
    AveragingEdit(dialog)->setText(QStringLiteral("9"));
    Child<QListWidget>(dialog, "fiberList")->item(0)->setCheckState(Qt::Checked);

    // A cancelled file dialog changes nothing.
    Click(dialog, "load");
    EXPECT_EQ(Child<QLineEdit>(dialog, "rtuName")->text(), QStringLiteral("edited"));

    chosenPath = path;
    Click(dialog, "load");
    EXPECT_EQ(chooserCalls, (std::vector<bool>{false, false}));
    EXPECT_TRUE(Scan() == file);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Child<QLineEdit>(dialog, "rtuName")->text(), QString::fromUtf8("узел-7"));
    EXPECT_TRUE(Child<QCheckBox>(dialog, "useIp")->isChecked());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "address")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(dialog, "address")->text(), QStringLiteral("192.168.1.5"));
    auto* list = Child<QListWidget>(dialog, "fiberList");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(3)->checkState(), Qt::Checked);
    EXPECT_EQ(AveragingEdit(dialog)->text(), QStringLiteral("128"));
    EXPECT_EQ(Child<QComboBox>(dialog, "pulse")->currentIndex(), 4);

    // Accepting now keeps the file's values, not the discarded edits.
    Click(dialog, "accept");
    EXPECT_TRUE(Scan() == file);
    EXPECT_TRUE(prompts.shown.empty());

    // A file that cannot be read is reported; the dialog still shows the settings as they are.
    CScanParamsDialog again(app, false);
    Child<QLineEdit>(again, "rtuName")->setText(QStringLiteral("edited"));
    chosenPath = scratch.Path("missing.spr");
    Click(again, "load");
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(Child<QLineEdit>(again, "rtuName")->text(), QString::fromUtf8("узел-7"));
}

TEST_F(ScanDialogTest, SaveStoresEverythingAndStaysOpenAndScanAsksToStartAndCloses) {
    const std::string path = scratch.Path("saved.spr");
    chosenPath = path;
    CScanParamsDialog dialog(app, false);
    dialog.show();
    Child<QLineEdit>(dialog, "rtuName")->setText(QStringLiteral("rtu-2"));
    Child<QLineEdit>(dialog, "password")->setText(QStringLiteral("secret"));
    Child<QListWidget>(dialog, "fiberList")->item(1)->setCheckState(Qt::Checked);
    Click(dialog, "save");
    EXPECT_EQ(chooserCalls, std::vector<bool>{true});
    EXPECT_EQ(Scan().GetRtuName(), "rtu-2");
    EXPECT_EQ(Scan().GetPassword(), std::optional<std::string>("secret"));
    EXPECT_TRUE(Scan().IsFiberEnabled(1));
    const auto& bytes = Scan().GetBytes();
    EXPECT_EQ(ReadAll(path), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(TakePosted().empty()); // a running scan is not told of a save

    Child<QListWidget>(dialog, "fiberList")->item(0)->setCheckState(Qt::Checked);
    Click(dialog, "scan");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(Scan().IsFiberEnabled(0));
    EXPECT_EQ(TakePosted(), std::vector<unsigned>{kMsgScanStartStop});
}

TEST_F(ScanDialogTest, ExtraDialogEditsTextsAndFibrePagesAndRefusesANonNumber) {
    Scan().SetCableId(1, Cp("К-2"));
    const CScanSettings before = Scan();
    CExtraParamsDialog dialog(app);
    dialog.show();
    EXPECT_TRUE(Child<QLineEdit>(dialog, "supplierName")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "nominalWavelength")->isVisible());
    Child<QTabWidget>(dialog, "tabs")->setCurrentIndex(1);
    EXPECT_FALSE(Child<QLineEdit>(dialog, "supplierName")->isVisible());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "nominalWavelength")->isVisible());

    EXPECT_EQ(Child<QLineEdit>(dialog, "supplierName")->text(), QStringLiteral("NUV"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "fiberId")->text(), QString::fromUtf8("Волокно 1"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "nominalWavelength")->text(), QStringLiteral("1550"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "groupIndex")->text(), QStringLiteral("1.468"));
    Child<QLineEdit>(dialog, "fiberId")->setText(QStringLiteral("first"));
    Child<QLineEdit>(dialog, "groupIndex")->setText(QStringLiteral("1,47"));
    auto* fiberNumber = Child<QComboBox>(dialog, "fiberNumber");
    fiberNumber->setCurrentIndex(1);
    EXPECT_EQ(Child<QLineEdit>(dialog, "cableId")->text(), QString::fromUtf8("К-2"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "fiberId")->text(), QString::fromUtf8("Волокно 2"));

    // Not a number: the user is told, the page stays, and accepting waits for a number.
    Child<QLineEdit>(dialog, "nominalWavelength")->setText(QStringLiteral("x"));
    fiberNumber->setCurrentIndex(2);
    EXPECT_EQ(fiberNumber->currentIndex(), 1);
    EXPECT_EQ(dialog.ShownFiber(), 1);
    Click(dialog, "accept");
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "Введите число.");
    EXPECT_TRUE(Scan() == before);

    Child<QLineEdit>(dialog, "nominalWavelength")->setText(QStringLiteral("1310"));
    Child<QLineEdit>(dialog, "comment")->setText(QString::fromUtf8("трасса А"));
    Click(dialog, "accept");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Scan().GetFiberId(0), "first");
    EXPECT_EQ(Scan().GetGroupIndex(0), 1.47);
    EXPECT_EQ(Scan().GetNominalWavelength(1), 1310.0);
    EXPECT_EQ(Scan().GetCableId(1), Cp("К-2"));
    EXPECT_EQ(Scan().GetComment(), Cp("трасса А"));
    EXPECT_EQ(Scan().GetTerminatingLocation(3), Cp("Неопределено"));
    EXPECT_EQ(TakePosted(), std::vector<unsigned>{kMsgScanSettingsChanged});

    const CScanSettings accepted = Scan();
    CExtraParamsDialog cancelled(app);
    Child<QLineEdit>(cancelled, "operatorName")->setText(QStringLiteral("nobody"));
    Click(cancelled, "cancel");
    EXPECT_TRUE(Scan() == accepted);
}

TEST_F(ScanDialogTest, ExtraOpensOnTopOfTheScanningDialogWhichStaysOpen) {
    CScanParamsDialog dialog(app, false);
    dialog.show();
    QString title;
    WhenModal([&](QWidget* modal) {
        title = modal->windowTitle();
        Child<QLineEdit>(*modal, "operatorName")->setText(QString::fromUtf8("Иванов"));
        Click(*modal, "accept");
    });
    Click(dialog, "extra");
    EXPECT_EQ(title, QString::fromUtf8("Дополнительные параметры"));
    EXPECT_EQ(Scan().GetOperatorName(), Cp("Иванов"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(TakePosted(), std::vector<unsigned>{kMsgScanSettingsChanged});
}

TEST_F(ScanDialogTest, MenuSaveAndLoadRoundTripTheRecordAndReportErrors) {
    Scan().SetRtuName("rtu");
    Scan().SetFiberEnabled(2, true);
    const CScanSettings saved = Scan();
    const std::string path = scratch.Path("menu.spr");

    EXPECT_FALSE(SaveScanSettingsWithDialog(app, nullptr)); // cancelled
    EXPECT_FALSE(fs::exists(path));
    chosenPath = path;
    EXPECT_TRUE(SaveScanSettingsWithDialog(app, nullptr));
    EXPECT_EQ(fs::file_size(path), CScanSettings::kSize);
    Scan().ResetToDefaults();
    EXPECT_TRUE(LoadScanSettingsWithDialog(app, nullptr));
    EXPECT_TRUE(Scan() == saved);
    EXPECT_EQ(chooserCalls, (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(prompts.shown.empty());

    chosenPath = scratch.Path("missing.spr");
    EXPECT_FALSE(LoadScanSettingsWithDialog(app, nullptr));
    chosenPath = scratch.Path("no/such/folder.spr");
    EXPECT_FALSE(SaveScanSettingsWithDialog(app, nullptr));
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(Scan() == saved);
    EXPECT_TRUE(TakePosted().empty());
}

TEST_F(ScanDialogTest, AcceptDuringAScanRewritesTheRequestFileOnTheShare) {
    // An absolute folder as the unit's name is the share itself.
    const std::string share = scratch.Path("share");
    fs::create_directories(share + "/SCAN");
    Scan().SetRtuName(share);
    Scan().SetFiberEnabled(0, true);
    const auto request = [&] {
        const std::vector<std::uint8_t> bytes = ReadAll(share + "/OPTREFL.PAR");
        return std::string(bytes.begin(), bytes.end());
    };

    CScanner scanner(app, prompts);
    // As the frame answers the dialogs.
    onMessage = [&](unsigned message) {
        if (message == kMsgScanSettingsChanged)
            scanner.RequestSend();
    };
    ASSERT_TRUE(scanner.BeginScan());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return fs::exists(share + "/OPTREFL.PAR") &&
               request().find("[Fiber1]") != std::string::npos;
    }));
    EXPECT_EQ(request().find("[Fiber3]"), std::string::npos);

    CScanParamsDialog dialog(app, scanner.IsRunning());
    EXPECT_FALSE(Child<QPushButton>(dialog, "scan")->isEnabled());
    Child<QListWidget>(dialog, "fiberList")->item(2)->setCheckState(Qt::Checked);
    AveragingEdit(dialog)->setText(QStringLiteral("32"));
    Click(dialog, "accept");
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const std::string text = request();
        return text.find("[Fiber3]") != std::string::npos &&
               text.find("Averaging=32") != std::string::npos;
    }));

    scanner.RequestStop();
    EXPECT_TRUE(scanner.WaitForThread(5000));
    onMessage = nullptr;
    EXPECT_TRUE(prompts.shown.empty());
}

} // namespace

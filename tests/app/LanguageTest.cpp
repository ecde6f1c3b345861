// The interface in English beside the Russian of the sources: every menu text translated with
// its shortcut kept, the choice kept in the settings folder ahead of the locale, the printed
// page's headings, and files written the same in either language.

#include "AppTestSupport.h"

#include "analysis/ThresholdsFile.h"
#include "app/CAnalysisDialog.h"
#include "app/CEventDialog.h"
#include "app/CExtraParamsDialog.h"
#include "app/CScanParamsDialog.h"
#include "app/CThresholdsDialog.h"
#include "app/CWorkspaceTree.h"
#include "app/InterfaceLanguage.h"
#include "core/SignalFactory.h"
#include "platform/TextFill.h"
#include "project/CWorkspace.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTreeWidgetItem>

#include <cstdlib>

namespace {

struct MenuText {
    QString text;
    QKeySequence shortcut;
};

void Collect(const QMenu* menu, std::vector<MenuText>& texts) {
    texts.push_back({menu->title(), {}});
    for (const QAction* action : menu->actions()) {
        if (action->menu())
            Collect(action->menu(), texts);
        else if (!action->isSeparator())
            texts.push_back({action->text(), action->shortcut()});
    }
}

// The menus and pane titles of a frame made in the language.
std::vector<MenuText> FrameTexts(Language language) {
    QStandardPaths::setTestModeEnabled(true); // not the user's layout store
    CScratchDir dir;
    CInterfaceLanguage installed;
    EXPECT_TRUE(installed.Install(language));
    CAppSettings settings(dir.Root().string());
    CMainFrame frame(settings);
    std::vector<MenuText> texts;
    for (const QAction* action : frame.menuBar()->actions())
        Collect(action->menu(), texts);
    for (const QDockWidget* pane : frame.findChildren<QDockWidget*>())
        texts.push_back({pane->windowTitle(), {}});
    return texts;
}

bool HasCyrillic(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

// Sets an environment variable for the test's length.
class CEnv {
public:
    CEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~CEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    CEnv(const CEnv&) = delete;
    CEnv& operator=(const CEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LanguageTest, EveryMenuTextHasItsEnglishWithTheSameShortcut) {
    const std::vector<MenuText> russian = FrameTexts(Language::Russian);
    const std::vector<MenuText> english = FrameTexts(Language::English);
    ASSERT_EQ(russian.size(), english.size());
    // The language menu names itself in both languages, each language in itself.
    const QStringList bilingual{QStringLiteral("Язык / Language"), QStringLiteral("Русский"),
                                QStringLiteral("English")};
    int translated = 0;
    for (std::size_t i = 0; i < russian.size(); ++i) {
        const std::string pair =
            (russian[i].text + QStringLiteral(" | ") + english[i].text).toStdString();
        if (bilingual.contains(russian[i].text)) {
            EXPECT_EQ(english[i].text, russian[i].text);
            continue;
        }
        EXPECT_TRUE(HasCyrillic(russian[i].text)) << pair;
        EXPECT_FALSE(HasCyrillic(english[i].text)) << pair;
        EXPECT_FALSE(english[i].text.isEmpty()) << pair;
        EXPECT_EQ(english[i].shortcut, russian[i].shortcut) << pair;
        ++translated;
    }
    EXPECT_GE(translated, 45);
    const auto has = [&english](const char* text) {
        return std::any_of(english.begin(), english.end(), [text](const MenuText& item) {
            return item.text == QString::fromUtf8(text);
        });
    };
    for (const char* text : {"&File", "&Scanning", "&Event List\tCtrl+E", "Event List",
                             "&Start Scanning\tCtrl+R", "Workspace"})
        EXPECT_TRUE(has(text)) << text;
}

TEST(LanguageTest, TheChoiceIsKeptAndOutranksTheLocale) {
    CScratchDir dir;
    const std::string folder = dir.Root().string();
    CEnv messages("LC_MESSAGES", nullptr);
    CEnv lang("LANG", nullptr);
    const struct {
        const char* all;
        Language expected;
    } locales[] = {{"ru_RU.UTF-8", Language::Russian}, {"ru", Language::Russian},
                   {"en_GB.UTF-8", Language::English}, {"de_DE.UTF-8", Language::English},
                   {"C", Language::English},           {nullptr, Language::English}};
    for (const auto& locale : locales) {
        CEnv all("LC_ALL", locale.all);
        EXPECT_EQ(ChosenLanguage(folder), locale.expected) << (locale.all ? locale.all : "unset");
    }
    {
        // LC_ALL outranks LC_MESSAGES, which outranks LANG.
        CEnv all("LC_ALL", nullptr);
        CEnv ru("LC_MESSAGES", "ru_UA.UTF-8");
        CEnv en("LANG", "en_US.UTF-8");
        EXPECT_EQ(LanguageFromEnvironment(), Language::Russian);
    }
    CEnv all("LC_ALL", "ru_RU.UTF-8");
    StoreLanguage(folder, Language::English);
    EXPECT_EQ(ChosenLanguage(folder), Language::English);
    StoreLanguage(folder, Language::Russian);
    EXPECT_EQ(ChosenLanguage(folder), Language::Russian);
}

class LanguageMenuTest : public ViewerFixture {};

TEST_F(LanguageMenuTest, ChoosingALanguageKeepsItAndSaysWhenItApplies) {
    ASSERT_EQ(Start(), StartStatus::Running);
    auto* menu = Frame().findChild<QMenu*>(QStringLiteral("languageMenu"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    QAction* russian = menu->actions()[0];
    QAction* english = menu->actions()[1];
    // The tests run in a Russian locale.
    EXPECT_TRUE(russian->isChecked());
    english->trigger();
    EXPECT_EQ(ChosenLanguage(scratch.Root().string()), Language::English);
    const std::vector<std::string> shown = TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("next start"), std::string::npos) << shown[0];
    // The interface stays Russian until then.
    EXPECT_EQ(Frame().menuBar()->actions()[0]->text(), QStringLiteral("&Файл"));
    english->trigger();
    EXPECT_TRUE(TakeShown().empty());
}

TEST(LanguageFileTest, ATraceIsSavedTheSameInEitherLanguage) {
    CScratchDir scratch;
    CScriptedPrompts prompts;
    const CPromptsScope scope(prompts);
    std::vector<std::vector<std::uint8_t>> saved;
    for (const Language language : {Language::English, Language::Russian}) {
        CInterfaceLanguage installed;
        ASSERT_TRUE(installed.Install(language));
        const std::string demo = CopyDemo(scratch, "demo.sor");
        const std::unique_ptr<CSignal> signal(OpenSignal(demo));
        ASSERT_TRUE(signal);
        // A new event gets its texts from the program.
        signal->AddEvent();
        prompts.answers = {true};
        const std::string path = scratch.Path(LanguageCode(language) + std::string(".sor"));
        ASSERT_TRUE(signal->Save(path));
        saved.push_back(ReadAll(path));
        std::filesystem::remove(demo);
    }
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0], saved[1]);
}

// Every fixed text of a dialog: its title, the texts and titles of its widgets, its tabs and the
// items of its lists. The fields the user types into hold stored values and are left out.
QStringList DialogTexts(const QWidget& dialog) {
    QStringList texts{dialog.windowTitle()};
    for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
        for (const char* property : {"text", "title"})
            if (!qobject_cast<const QLineEdit*>(widget) && widget->property(property).isValid())
                texts << widget->property(property).toString();
        if (const auto* tabs = qobject_cast<const QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (const auto* list = qobject_cast<const QComboBox*>(widget); list && !list->isEditable())
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
        if (const auto* list = qobject_cast<const QListWidget*>(widget))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
    }
    return texts;
}

TEST(LanguageTest, EveryDialogSpeaksEnglish) {
    CScratchDir dir;
    CInterfaceLanguage installed;
    ASSERT_TRUE(installed.Install(Language::English));
    CAppSettings settings(dir.Root().string());
    const std::unique_ptr<CSignal> signal(OpenSignal(CopyDemo(dir, "demo.sor")));
    ASSERT_TRUE(signal);
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<CScanParamsDialog>(settings, false));
    dialogs.push_back(std::make_unique<CExtraParamsDialog>(settings));
    dialogs.push_back(std::make_unique<CAnalysisDialog>(CAnalysisThresholds{}));
    dialogs.push_back(std::make_unique<CThresholdsDialog>(CLinkThresholds{}));
    dialogs.push_back(std::make_unique<CEventDialog>(*signal));
    for (const auto& dialog : dialogs) {
        const QStringList texts = DialogTexts(*dialog);
        EXPECT_GE(texts.size(), 5) << dialog->metaObject()->className();
        for (const QString& text : texts)
            EXPECT_FALSE(HasCyrillic(text))
                << dialog->metaObject()->className() << ": " << text.toStdString();
    }
}

// The names the program gives are shown in the chosen language and stored as they are; messages
// put together from pieces are translated piece by piece.
TEST(LanguageTest, GivenNamesAndPiecedMessagesAreShownInEnglish) {
    CInterfaceLanguage installed;
    ASSERT_TRUE(installed.Install(Language::English));
    const std::pair<const char*, const char*> names[] = {
        {"Проект", "Project"},    {"Сканирование", "Scanning"}, {"Волокно 12", "Fibre 12"},
        {"Проект 2", "Проект 2"}, {"Волокно 1a", "Волокно 1a"}, {"demo.sor", "demo.sor"}};
    for (const auto& [stored, shown] : names)
        EXPECT_EQ(ShownName(stored), shown) << stored;
    // Filled in one pass, in the order the pattern asks for.
    EXPECT_EQ(FillText("%2 of %1, 100%", {"a%2", "b"}), "b of a%2, 100%");
    const struct {
        const char* json;
        const char* message;
    } thresholds[] = {
        {"{", "Thresholds file t.json: damaged (not JSON)"},
        {R"({"format":"lumetra-thresholds","version":1,"spliceLoss":"x"})",
         "Thresholds file t.json: the value spliceLoss is not a number"},
    };
    for (const auto& file : thresholds) {
        const CThresholdsOrError parsed = ParseThresholds(file.json, "t.json");
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << file.json;
        EXPECT_EQ(std::get<std::string>(parsed), file.message);
    }
}

// A viewer started in the language on the demo trace: the new project's name in the tree, and
// the project file it saves.
std::pair<QString, std::vector<std::uint8_t>>
NewProject(const CScratchDir& dir, const std::string& trace, Language language) {
    const std::string settings = dir.Path(LanguageCode(language));
    std::filesystem::create_directory(settings);
    StoreLanguage(settings, language);
    CScriptedPrompts prompts;
    std::pair<QString, std::vector<std::uint8_t>> made;
    {
        CViewerApp app(settings);
        app.UsePrompts(&prompts);
        EXPECT_EQ(app.Start({QStringLiteral("lumetra-view"), QStringLiteral("--instance"),
                             UniqueInstanceName(), Q(trace)}),
                  StartStatus::Running);
        Settle();
        const auto* tree = app.MainFrame()->findChild<CWorkspaceTree*>();
        EXPECT_TRUE(tree && tree->topLevelItemCount() == 1);
        if (tree && tree->topLevelItemCount() > 0)
            made.first = tree->topLevelItem(0)->text(0);
        const std::string path = dir.Path(LanguageCode(language) + std::string(".vtp"));
        EXPECT_TRUE(app.MainFrame()->Workspace().GetProject(0).Save(path));
        made.second = ReadAll(path);
    }
    Settle();
    return made;
}

TEST(LanguageFileTest, ANewProjectIsNamedInTheLanguageAndSavedTheSame) {
    QStandardPaths::setTestModeEnabled(true);
    CScratchDir dir;
    const std::string trace = CopyDemo(dir, "demo.sor");
    const auto russian = NewProject(dir, trace, Language::Russian);
    const auto english = NewProject(dir, trace, Language::English);
    EXPECT_EQ(russian.first, QStringLiteral("Проект"));
    EXPECT_EQ(english.first, QStringLiteral("Project"));
    ASSERT_FALSE(russian.second.empty());
    EXPECT_EQ(english.second, russian.second);
}

// The printed page of the bundled trace as pdftotext reads it, printed in the locale given.
QString PrintedPage(const CScratchDir& dir, const char* locale) {
    const QString pdf = Q(dir.Path(std::string(locale) + ".pdf"));
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    viewer.setProcessEnvironment(environment);
    viewer.start(QStringLiteral(LUMETRA_VIEW_BINARY),
                 {QStringLiteral("--settings-dir"), Q(dir.Path(locale)),
                  QStringLiteral("--print-pdf"), pdf, QStringLiteral(LUMETRA_DEMO_TRACE)});
    EXPECT_TRUE(viewer.waitForFinished(60000));
    EXPECT_EQ(viewer.exitCode(), 0) << viewer.readAllStandardError().toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(30000));
    return QString::fromUtf8(text.readAllStandardOutput());
}

TEST(LanguagePrintTest, ThePageHeadingsAreEnglishInAnEnglishLocale) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    CScratchDir dir;
    const QString russian = PrintedPage(dir, "ru_RU.UTF-8");
    const QString english = PrintedPage(dir, "en_US.UTF-8");
    const struct {
        const char* russian;
        const char* english;
    } headings[] = {{"Параметры:", "Parameters:"},
                    {"Маркеры:", "Markers:"},
                    {"Трасса : ", "Trace : "},
                    {"Лист : 1", "Page : 1"},
                    {"Тип события", "Event type"},
                    {"Расстояние (km)", "Distance (km)"},
                    {"Ослабление (dB/km)", "Attenuation (dB/km)"},
                    {"Длина Импульса:", "Pulse width:"},
                    {"Маркер A", "Marker A"},
                    {"Потеря", "Splice"}};
    for (const auto& heading : headings) {
        EXPECT_TRUE(russian.contains(QString::fromUtf8(heading.russian))) << heading.russian;
        EXPECT_FALSE(english.contains(QString::fromUtf8(heading.russian))) << heading.russian;
        EXPECT_TRUE(english.contains(QString::fromUtf8(heading.english))) << heading.english;
    }
}

} // namespace

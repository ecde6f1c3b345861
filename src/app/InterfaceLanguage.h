#pragma once
// The interface's language: the one chosen in View > Language, kept in lumetra-view.ini in the
// settings folder, else the locale's. Installing it loads the viewer's translation (none for
// Russian, the language of the sources) and Qt's own for its dialogs, and lets the texts below
// the toolkit be looked up too. The choice takes effect at the next start.

#include "platform/Translation.h"

#include <QString>

#include <memory>
#include <string>

class QTranslator;

// The stored choice, or the locale's language when there is none.
Language ChosenLanguage(const std::string& settingsFolder);
void StoreLanguage(const std::string& settingsFolder, Language language);

class CInterfaceLanguage {
public:
    CInterfaceLanguage();
    // Removes the translations it installed.
    ~CInterfaceLanguage();
    CInterfaceLanguage(const CInterfaceLanguage&) = delete;
    CInterfaceLanguage& operator=(const CInterfaceLanguage&) = delete;

    // The viewer's .qm is looked for in the folder given, else beside the program or one folder
    // up (the build tree), else in ../share/lumetra-view/translations from it. False when a
    // translation the language needs is missing; the interface then keeps the Russian texts.
    bool Install(Language language, const QString& folder = {});
    Language Current() const { return language_; }

private:
    void Remove();

    Language language_ = Language::Russian;
    std::unique_ptr<QTranslator> own_;
    std::unique_ptr<QTranslator> qt_;
    bool lookupInstalled_ = false;
};

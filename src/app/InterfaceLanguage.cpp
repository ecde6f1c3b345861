#include "app/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace {

const QString kLanguageKey = QStringLiteral("language");

QSettings LanguageStore(const std::string& settingsFolder) {
    return QSettings(QDir(QFile::decodeName(settingsFolder.c_str()))
                         .filePath(QStringLiteral("lumetra-view.ini")),
                     QSettings::IniFormat);
}

bool LoadOwn(QTranslator& translator, Language language, const QString& folder) {
    const QString name =
        QStringLiteral("lumetra_%1").arg(QString::fromLatin1(LanguageCode(language)));
    QStringList folders;
    if (!folder.isEmpty())
        folders << folder;
    const QString programFolder = QCoreApplication::applicationDirPath();
    // The build tree keeps them at its top, above the test programs' folder.
    folders << programFolder << programFolder + QStringLiteral("/..")
            << programFolder + QStringLiteral("/../share/lumetra-view/translations");
    for (const QString& candidate : folders) {
        if (translator.load(name, candidate))
            return true;
    }
    return false;
}

} // namespace

Language ChosenLanguage(const std::string& settingsFolder) {
    const QString code = LanguageStore(settingsFolder).value(kLanguageKey).toString();
    return LanguageFromCode(code.toStdString()).value_or(LanguageFromEnvironment());
}

void StoreLanguage(const std::string& settingsFolder, Language language) {
    QSettings store = LanguageStore(settingsFolder);
    store.setValue(kLanguageKey, QString::fromLatin1(LanguageCode(language)));
    store.sync();
}

CInterfaceLanguage::CInterfaceLanguage() = default;

CInterfaceLanguage::~CInterfaceLanguage() {
    Remove();
}

void CInterfaceLanguage::Remove() {
    for (std::unique_ptr<QTranslator>* translator : {&own_, &qt_}) {
        if (*translator)
            QCoreApplication::removeTranslator(translator->get());
        translator->reset();
    }
    if (lookupInstalled_)
        SetTextLookup({});
    lookupInstalled_ = false;
    language_ = Language::Russian;
}

bool CInterfaceLanguage::Install(Language language, const QString& folder) {
    Remove();
    bool complete = true;
    if (language != Language::Russian) {
        auto own = std::make_unique<QTranslator>();
        if (LoadOwn(*own, language, folder) && QCoreApplication::installTranslator(own.get()))
            own_ = std::move(own);
        else
            complete = false;
    }
    // Qt's dialogs speak English by themselves; a missing Russian translation of them leaves
    // them so.
    if (language == Language::Russian) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_ru"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
            QCoreApplication::installTranslator(qt.get()))
            qt_ = std::move(qt);
    }
    if (own_) {
        SetTextLookup([](const char* context, const char* text) {
            return QCoreApplication::translate(context, text).toStdString();
        });
        lookupInstalled_ = true;
    }
    language_ = complete ? language : Language::Russian;
    return complete;
}

#include "platform/Translation.h"

#include "platform/TextFill.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

TextLookup& CurrentLookup() {
    static TextLookup lookup;
    return lookup;
}

} // namespace

Language LanguageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return std::string_view(value).substr(0, 2) == "ru" ? Language::Russian
                                                                : Language::English;
    }
    return Language::English;
}

std::optional<Language> LanguageFromCode(std::string_view code) {
    if (code == "ru")
        return Language::Russian;
    if (code == "en")
        return Language::English;
    return std::nullopt;
}

const char* LanguageCode(Language language) {
    return language == Language::Russian ? "ru" : "en";
}

TextLookup SetTextLookup(TextLookup lookup) {
    return std::exchange(CurrentLookup(), std::move(lookup));
}

std::string Translate(const char* text, const char* context) {
    if (const TextLookup& lookup = CurrentLookup(); lookup && text && *text) {
        std::string translated = lookup(context, text);
        if (!translated.empty())
            return translated;
    }
    return text ? text : "";
}

std::string TranslateLabel(const std::string& label) {
    if (label.empty() || label.back() != ':')
        return Translate(label);
    return Translate(label.substr(0, label.size() - 1)) + ":";
}

std::string FillText(const std::string& text, std::initializer_list<std::string> values) {
    // One pass, so a value that holds "%2" is never filled in itself.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t number = i + 1 < text.size() ? std::size_t(text[i + 1] - '0') : 0;
        if (text[i] == '%' && number >= 1 && number <= values.size() && number <= 9) {
            out += *(values.begin() + (number - 1));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ShownName(const std::string& name) {
    for (const char* given :
         {QT_TRANSLATE_NOOP("core", "Проект"), QT_TRANSLATE_NOOP("core", "Сканирование")}) {
        if (name == given)
            return Translate(given);
    }
    // "Волокно N", N the fibre's number.
    static constexpr const char kFibre[] = "Волокно ";
    const std::size_t prefix = std::strlen(kFibre);
    if (name.size() > prefix && name.size() <= prefix + 3 && name.compare(0, prefix, kFibre) == 0 &&
        name.find_first_not_of("0123456789", prefix) == std::string::npos)
        return FillText(Translate(QT_TRANSLATE_NOOP("core", "Волокно %1")), {name.substr(prefix)});
    return name;
}

#include "platform/Translation.h"

#include <cstdlib>
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

#pragma once
// Texts for people are written in Russian, the source language, and looked up in the chosen
// language where they are shown. Texts stored in files are never looked up, so a file is the
// same whatever the language. Below the toolkit a text is marked with QT_TRANSLATE_NOOP, under
// the context "core", so that lupdate collects it with the viewer's tr() texts.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#ifndef QT_TRANSLATE_NOOP
// The same definition as the toolkit's, so either may come first.
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// The context of the marked texts below the toolkit.
inline constexpr const char* kCoreTextContext = "core";

enum class Language { Russian, English };

// Russian when the message locale (LC_ALL, else LC_MESSAGES, else LANG) starts with "ru",
// English for any other, "C" and an unset one included.
Language LanguageFromEnvironment();
// "ru" or "en"; nullopt for any other code.
std::optional<Language> LanguageFromCode(std::string_view code);
const char* LanguageCode(Language language);

// Finds the translation of a source text in its context; an empty result keeps the source.
using TextLookup = std::function<std::string(const char* context, const char* text)>;
// Installs the lookup of the chosen language (none: the source texts). Returns the previous one.
TextLookup SetTextLookup(TextLookup lookup);
// The text in the chosen language, or the text itself when it has no translation.
std::string Translate(const char* text, const char* context = kCoreTextContext);
inline std::string Translate(const std::string& text) {
    return Translate(text.c_str());
}
// A label as the panes show it ("Text:"): the text looked up, a closing colon kept.
std::string TranslateLabel(const std::string& label);

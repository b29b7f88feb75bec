#include "locale/language.h"

#include "locale/text_case.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"

namespace locale {
namespace {

std::string current_language;
std::string system_language;

// The code of the first "-l" argument, lower-cased and kept only when valid. The first such
// argument decides even when its code is not valid, so a later "-len" cannot rescue a
// mistyped "-lde" (qm.ini is asked instead).
std::string CommandLineLanguage() {
    for (const std::string& argument : platform::Machine().Arguments()) {
        if (LowerAscii(argument.substr(0, 2)) != "-l") continue;
        return NormalizeLanguageCode(argument.substr(2));
    }
    return {};
}

// The base product keeps its interface language in qm.ini; a setup started from the base
// product's directory follows it. A missing or unreadable file simply gives nothing.
std::string SettingsFileLanguage() {
    std::string directory = platform::Files().CurrentDirectory();
    if (directory.empty()) return {};
    if (directory.back() != '\\') directory += '\\';
    const std::string settings_file = directory + "qm.ini";
    if (!platform::Files().FileExists(settings_file)) return {};
    return NormalizeLanguageCode(platform::Machine().ReadIniString(settings_file, "LocaleInfo", "Locale", ""));
}

}  // namespace

std::string LocaleInfoText(uint32_t kind) {
    const std::string text = platform::Machine().LocaleInfo(kind);
    return text.substr(0, text.find('\0'));
}

std::string SystemLanguageCode() {
    const std::string name = LocaleInfoText(platform::kLocaleSEnglishLanguage);
    if (name == "Russian") return "ru";
    if (name == "Chinese (Simplified)") return "ch";
    return "en";
}

std::string NormalizeLanguageCode(const std::string& text) {
    const std::string lower = LowerAscii(text);
    if (lower == "ru" || lower == "en") return lower;
    return {};
}

void SetLanguage(const std::string& code) {
    const std::string lower = LowerAscii(code);
    if (lower != "ru" && lower != "en") return;
    if (lower == current_language) return;
    current_language = lower;
    LocalizeDialogs();
}

std::string PickText(const std::string& russian, const std::string& english) {
    return current_language == "ru" ? russian : english;
}

const std::string& CurrentLanguage() { return current_language; }

const std::string& SystemLanguage() { return system_language; }

void InitLanguage() {
    system_language = SystemLanguageCode();
    std::string code = CommandLineLanguage();
    if (code.empty()) code = SettingsFileLanguage();
    if (code.empty()) code = "en";
    SetLanguage(code);
}

void SettleLanguage() {
    if (SystemLanguage() == "ru") {
        SetLanguage(AskLanguage());
        return;
    }
    SetLanguage("en");
}

void SettleLanguageWithoutAsking() {
    const std::string code = CommandLineLanguage();
    if (!code.empty()) {
        SetLanguage(code);
        return;
    }
    SetLanguage(SystemLanguage() == "ru" ? "ru" : "en");
}

void ResetLanguage() {
    current_language.clear();
    system_language.clear();
}

}  // namespace locale

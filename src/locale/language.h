#pragma once
// The interface language: Russian or English, settled once at start-up and fixed for the run.
// Every user-visible text comes as a Russian/English pair, and PickText chooses the member
// for the current language. The module also keeps the system's language and puts the texts
// of the standard dialogs (message boxes, directory dialog) into the current language.

#include <cstdint>
#include <string>

namespace locale {

// GetLocaleInfoA for the system default locale and the information kind; the text up to the
// first NUL, or empty when the call fails.
std::string LocaleInfoText(uint32_t kind);

// The system default locale's language as a code: "ru" for "Russian", "ch" for
// "Chinese (Simplified)", "en" for anything else, also when the name cannot be read. The
// names are compared exactly.
std::string SystemLanguageCode();

// The text in lower case when that is "ru" or "en", else empty.
std::string NormalizeLanguageCode(const std::string& text);

// Makes the lower-cased code current when it is "ru" or "en" and differs from the current
// one, and then puts the standard dialog texts into that language. Any other code, or the
// current one, changes nothing.
void SetLanguage(const std::string& code);

// The Russian text when the current language is "ru", else the English one (so English also
// before any language has been set). Russian texts are Windows-1251 bytes.
std::string PickText(const std::string& russian, const std::string& english);

// The current language code: "ru", "en", or empty before the first SetLanguage.
const std::string& CurrentLanguage();
// The system language code found by InitLanguage: "ru", "ch", "en", or empty before it ran.
const std::string& SystemLanguage();

// The start-up step, run once before any window exists: records the system language, then
// takes a provisional language from the first "-l<code>" argument of the command line, else
// from "Locale" in section "LocaleInfo" of qm.ini in the current directory, else "en".
void InitLanguage();

// Replaces the texts of the standard dialogs by those of the current language.
void LocalizeDialogs();

// Asks the user for the language in the language window; "en" or "ru", whichever radio
// button is checked when the window closes, however it is closed.
std::string AskLanguage();

// The language the interface uses for the rest of the run: the user's answer in the
// language window on a Russian system, English on any other. Overrides InitLanguage.
void SettleLanguage();

// The same decision without asking, for runs that show no window (silent installation, the
// list of switches): the "-l" argument's language when it names one, else the system's
// (Russian on a Russian system, English on any other).
void SettleLanguageWithoutAsking();

// Forgets the current and system languages, as before start-up. For tests, which run the
// start-up many times in one process.
void ResetLanguage();

}  // namespace locale

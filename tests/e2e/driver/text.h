#pragma once
// Texts as the program holds them. The program keeps 8-bit ANSI strings, so Russian texts
// come back from its windows as Windows-1251 bytes; the cases write their expectations in
// UTF-8 and convert them here.

#include <string>

namespace e2e {

// The UTF-8 text in Windows-1251: ASCII as is, the Russian alphabet (with Ё/ё) mapped, any
// other character as '?'.
std::string Cp1251(const std::string& utf8);

// An environment variable, or fallback when it is not set or empty.
std::string EnvironmentOr(const char* name, const std::string& fallback);

}  // namespace e2e

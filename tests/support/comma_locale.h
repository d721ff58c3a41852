// The name of a locale whose decimal separator is a comma, for tests that check
// that numbers keep their point whatever the locale. tools/bootstrap makes the
// Linux one; Windows (and Wine) has its own names for locales.
#pragma once

namespace test_support {

#ifdef _WIN32
inline constexpr const char* kCommaDecimalLocale = "German_Germany.1252";
#else
inline constexpr const char* kCommaDecimalLocale = "de_DE.UTF-8";
#endif

}  // namespace test_support

// Numbers as text, the same everywhere and never dependent on the C locale.
//
// The readers of the data files read numbers as C's conversions read the start of
// a token (a token that is no number reads as 0). Command lines and dialogs that
// refuse what is not a number use the whole-token forms. Numbers shown to the user
// are formatted with a decimal point whatever the locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads an integer as C's strtol reads the leading digits of a token: optional
// leading white space, optional sign, digits; "12.7" reads 12, "x" reads 0.
// Values beyond the 32-bit range saturate at its ends.
int32_t parse_int(std::string_view token);
// False when parse_int would saturate: the token's leading number lies outside the
// 32-bit range (the loaders refuse such a field rather than pin it).
bool int_in_range(std::string_view token);
// Reads a real from the start of a token, the decimal floating-point text that
// C's strtod accepts (optional '+'); parsing stops at the first character that
// does not belong; a token that is not a number reads as 0.
double parse_real(std::string_view token);

// The whole text as one decimal integer (optional '-', digits, nothing else, in
// the int range). False, value unchanged, otherwise.
bool parse_whole_int(std::string_view text, int& value);
// The whole text as one decimal real ("1.5", "-2e3"; no '+', no blanks). False,
// value unchanged, otherwise.
bool parse_whole_real(std::string_view text, double& value);

// value as "%.<decimals>f" would print it in the C locale ("17.50"), also for
// values that need hundreds of digits.
std::string format_fixed(double value, int decimals);
// value as "%d" prints it.
std::string format_int(long long value);

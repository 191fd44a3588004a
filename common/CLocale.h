// Formatting and parsing of numbers in the C locale, whatever locale the process runs in.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

// snprintf in the C locale: writes at most size bytes (NUL included) and returns the length
// the full text would have, or a negative value on a format error.
int FormatC(char* buf, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int VFormatC(char* buf, size_t size, const char* format, va_list args);

// Formats at the end of the NUL-terminated text held in `size` bytes, cut to fit; returns the
// length the appended piece would have.
int AppendFormatC(char* text, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The whole formatted text as a string, in the C locale.
std::string StringFormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VStringFormatC(const char* format, va_list args);

// Reads a decimal number ("12", "-3.25", "1e3") from the start of text in the C locale.
// Returns the number of characters used, 0 when the text does not begin with a number.
size_t ParseDoubleC(std::string_view text, double* value);

#include "common/CLocale.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>

namespace {

locale_t CLocaleHandle() {
    static const locale_t handle = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return handle;
}

}  // namespace

int VFormatC(char* buf, size_t size, const char* format, va_list args) {
    const locale_t c = CLocaleHandle();
    const locale_t previous = c ? uselocale(c) : static_cast<locale_t>(nullptr);
    const int length = vsnprintf(buf, size, format, args);
    if (c) uselocale(previous);
    return length;
}

int FormatC(char* buf, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = VFormatC(buf, size, format, args);
    va_end(args);
    return length;
}

int AppendFormatC(char* text, size_t size, const char* format, ...) {
    const size_t used = strnlen(text, size);
    if (used >= size) return 0;
    va_list args;
    va_start(args, format);
    const int length = VFormatC(text + used, size - used, format, args);
    va_end(args);
    return length;
}

std::string VStringFormatC(const char* format, va_list args) {
    char small[256];
    va_list again;
    va_copy(again, args);
    const int length = VFormatC(small, sizeof small, format, args);
    std::string text;
    if (length >= 0 && static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else if (length >= 0) {
        text.resize(static_cast<size_t>(length) + 1);
        VFormatC(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

std::string StringFormatC(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VStringFormatC(format, args);
    va_end(args);
    return text;
}

size_t ParseDoubleC(std::string_view text, double* value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars takes no '+' sign; accept it like strtod does.
    const char* start = (begin != end && *begin == '+') ? begin + 1 : begin;
    if (start != begin && start != end && *start == '-') return 0;
    double result = 0;
    const auto [stop, error] = std::from_chars(start, end, result, std::chars_format::general);
    if (error != std::errc()) return 0;
    *value = result;
    return static_cast<size_t>(stop - begin);
}

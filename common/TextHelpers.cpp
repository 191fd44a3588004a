#include "common/TextHelpers.h"

#include <strings.h>

#include <cstring>

bool MatchKeyword(const char* text, const char* keyword) {
    return std::strncmp(text, keyword, std::strlen(keyword)) == 0;
}

void StripTrailingSpaces(char* start, char* end) {
    while (end > start && end[-1] == ' ') *--end = '\0';
}

size_t TrimTrailingBlanks(char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= ' ') --length;
    text[length] = '\0';
    return length;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

#include "common/XmlText.h"

#include <cstdlib>
#include <cstring>

#include "common/Win1252.h"

namespace {

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out += '?';
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The character of an entity body ("amp", "#252", "#xFC"); false when it is none.
bool EntityValue(std::string_view body, unsigned long& cp) {
    static const struct {
        const char* name;
        char value;
    } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& e : kNamed) {
        if (body == e.name) {
            cp = static_cast<unsigned char>(e.value);
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#') return false;
    bool hex = body[1] == 'x' || body[1] == 'X';
    std::string digits(body.substr(hex ? 2 : 1));
    if (digits.empty() || digits.size() > 8) return false;
    char* end = nullptr;
    cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    return *end == '\0' && std::strspn(digits.c_str(), hex ? "0123456789abcdefABCDEF" : "0123456789") == digits.size();
}

}  // namespace

std::string XmlTextTo1252(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            size_t semicolon = text.find(';', i + 1);
            unsigned long cp = 0;
            if (semicolon != std::string_view::npos && semicolon - i <= 12 &&
                EntityValue(text.substr(i + 1, semicolon - i - 1), cp)) {
                AppendUtf8(utf8, cp);
                i = semicolon;
                continue;
            }
        }
        utf8 += text[i];
    }
    return Utf8ToWin1252(utf8);
}

std::string XmlTextFrom1252(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += static_cast<unsigned char>(c) < 0x20 && c != '\t' ? '?' : c;
        }
    }
    return Win1252ToUtf8(escaped);
}

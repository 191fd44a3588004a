#include "platform/Text1252.h"

#include <cstdint>
#include <cstring>

namespace platform {
namespace {

// Code points of bytes 0x80..0x9F; 0 where the code page leaves a byte unused.
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// A code point of 0x80 or above (two or three bytes).
char* PutUtf8(char* out, std::uint32_t cp) {
    if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
    } else {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    return out;
}

}  // namespace

char* PutUtf8From1252(std::string_view text, char* out) {
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
        // ASCII is the same bytes in UTF-8: eight at a time while no high bit is set.
        std::uint64_t word;
        while (end - in >= 8 && (std::memcpy(&word, in, 8), (word & 0x8080808080808080u) == 0)) {
            std::memcpy(out, in, 8);
            in += 8;
            out += 8;
        }
        if (in == end) break;
        const unsigned char c = static_cast<unsigned char>(*in++);
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
            continue;
        }
        std::uint32_t cp = c;
        if (c < 0xA0) {
            cp = kHigh[c - 0x80];
            if (cp == 0) cp = c;  // unused byte: the C1 control of the same value
        }
        out = PutUtf8(out, cp);
    }
    return out;
}

void AppendUtf8From1252(std::string_view text, std::string& out) {
    // A byte of the code page is at most three bytes of UTF-8.
    std::size_t high = 0;
    for (unsigned char c : text) high += c >> 7;
    if (high == 0) {
        out.append(text);
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + text.size() + 2 * high);
    out.resize(static_cast<std::size_t>(PutUtf8From1252(text, out.data() + start) - out.data()));
}

std::string Utf8From1252(std::string_view text) {
    std::string out;
    AppendUtf8From1252(text, out);
    return out;
}

bool Utf8To1252(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp;
        std::size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else return false;
        if (i + len > text.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        bool found = false;
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == cp || (kHigh[k] == 0 && cp == 0x80u + k)) {
                out += static_cast<char>(0x80 + k);
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

}  // namespace platform

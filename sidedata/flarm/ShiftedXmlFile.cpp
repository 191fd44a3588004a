#include "sidedata/flarm/ShiftedXmlFile.h"

#include <cstdlib>
#include <cstring>

#include "common/Win1252.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

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

// The text after `tag` up to `max` characters, decoded.
template <size_t N>
void TakeElement(char (&field)[N], std::string_view rest, size_t max) {
    SetFlarmField(field, XmlTextTo1252(rest), max);
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
        default: escaped += c;
        }
    }
    return Win1252ToUtf8(escaped);
}

void ReadShiftedXmlFile(FlarmMemory& memory, FlarmInput& input) {
    static const struct {
        const char* tag;
        int field;
    } kElements[] = {{"\t<NAME>", 0}, {"\t<AIRFIELD>", 1}, {"\t<TYPE>", 2},
                     {"\t<REG>", 3},  {"\t<COMPID>", 4},   {"\t<FREQUENCY>", 5}};
    const std::string_view versionTag = "<FLARMNET Version=\"";
    const std::string_view idTag = "<FLARMDATA FlarmID=\"";
    while (!input.AtEnd()) {
        input.ReadUntil('\x0b');
        std::string line(input.LineView());
        for (char& c : line) c = static_cast<char>(c - 1);
        size_t cut = line.size() > 3 ? line.find('<', 3) : std::string::npos;
        if (cut != std::string::npos) line.resize(cut);
        std::string_view l = line;
        FlarmRecord& r = memory.parse;
        if (l.substr(0, versionTag.size()) == versionTag) {
            std::string_view version = l.substr(versionTag.size(), 6);
            if (IsHexVersion(version)) {
                memory.version = std::string(version);
                memory.ListF("Version %s", memory.version.c_str());
            }
        } else if (l.substr(0, idTag.size()) == idTag) {
            SetFlarmField(r.FlarmID, l.substr(idTag.size(), 6));
        } else if (l == "</FLARMDATA>") {
            memory.CommitFlarmRecord(false);
        } else {
            for (const auto& e : kElements) {
                size_t tagLength = std::strlen(e.tag);
                if (l.substr(0, tagLength) != e.tag) continue;
                std::string_view rest = l.substr(tagLength);
                switch (e.field) {
                case 0: TakeElement(r.NAME, rest, 23); break;
                case 1: TakeElement(r.AIRFIELD, rest, 23); break;
                case 2: TakeElement(r.TYPE, rest, 23); break;
                case 3: TakeElement(r.REG, rest, 7); break;
                case 4: TakeElement(r.COMPID, rest, 3); break;
                case 5: TakeElement(r.FREQUENCY, rest, 7); break;
                }
                break;
            }
        }
    }
}

int WriteShiftedXmlFile(FlarmMemory& memory, std::string& out) {
    std::string text;
    text.reserve(memory.Records().size() * 200 + 100);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    text += "<FLARMNET Version=\"" + memory.version + "\">\n";
    int written = 0;
    auto element = [&text](const char* name, const char* value) {
        text += "\t<";
        text += name;
        text += '>';
        text += XmlTextFrom1252(value);
        text += "</";
        text += name;
        text += ">\n";
    };
    for (const FlarmRecord& r : memory.Records()) {
        text += "<FLARMDATA FlarmID=\"";
        text += r.FlarmID;
        text += "\">\n";
        element("NAME", r.NAME);
        element("AIRFIELD", r.AIRFIELD);
        element("TYPE", r.TYPE);
        element("REG", r.REG);
        element("COMPID", r.COMPID);
        element("FREQUENCY", r.FREQUENCY);
        text += "</FLARMDATA>\n";
        ++written;
    }
    text += "</FLARMNET>";
    for (char& c : text) c = static_cast<char>(c + 1);
    out += text;
    return written;
}

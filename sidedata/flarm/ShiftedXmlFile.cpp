#include "sidedata/flarm/ShiftedXmlFile.h"

#include <cstdlib>
#include <cstring>

#include "common/Win1252.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

// The text after `tag` up to `max` characters, decoded.
template <size_t N>
void TakeElement(char (&field)[N], std::string_view rest, size_t max) {
    SetFlarmField(field, XmlTextTo1252(rest), max);
}

}  // namespace

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

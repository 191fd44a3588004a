#include "sidedata/flarm/DbTextFile.h"

#include <cstdio>
#include <cstring>

#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

// The bytes a line's fields are read from when they are set normalised: a whole field's size at
// each field's place, the last being NAME's at 29.
constexpr ptrdiff_t kLineReadable = 29 + sizeof(FlarmRecord::NAME);

// The field set normalised, or as it is for the commit to normalise.
void PutId(char (&id)[8], std::string_view text, bool normalised) {
    if (normalised) {
        SetNormalisedId(id, text.data(), text.size());
    } else {
        SetFlarmField(id, text);
    }
}

template <size_t N>
void PutText(char (&field)[N], std::string_view text, bool normalised) {
    if (normalised) {
        SetNormalisedText(field, text.data(), text.size());
    } else {
        SetFlarmField(field, text);
    }
}

std::string_view Cut(const char* text, size_t max) {
    size_t length = std::strlen(text);
    return {text, length < max ? length : max};
}

}  // namespace

void ReadDbTextFile(FlarmMemory& memory, FlarmInput& input) {
    bool ogn = input.Path().find(kOgnDbPathMark) != std::string::npos;
    const char* dataEnd = input.Data().data() + input.Data().size();
    bool committed = false;  // the parse record is empty
    while (!input.AtEnd()) {
        input.ReadUntil('\n');
        std::string_view line = input.LineView();
        size_t cr = line.find('\r');
        if (cr != std::string_view::npos) line = line.substr(0, cr);
        if (line.size() <= 9 || line[6] != '|') continue;
        const bool normalised = dataEnd - line.data() >= kLineReadable;
        FlarmRecord& r = memory.parse;
        PutId(r.FlarmID, line.substr(0, 6), normalised);
        PutText(r.COMPID, line.substr(7, 3), normalised);
        if (line.size() >= 30) {
            PutText(r.REG, line.substr(11, 6), normalised);
            PutText(r.TYPE, line.substr(18, 11), normalised);
            PutText(r.NAME, line.substr(29, 23), normalised);
        }
        if (normalised && committed) {
            memory.CommitNormalisedRecord(ogn);
        } else {
            memory.CommitFlarmRecord(ogn);
        }
        committed = true;
    }
}

int WriteDbTextFile(FlarmMemory& memory, const std::string& path, std::string& out) {
    bool ognOnly = path.find(kOgnDbPathMark) != std::string::npos;
    int written = 0;
    int withoutName = 0;
    char line[128];
    for (const FlarmRecord& r : memory.Records()) {
        if (ognOnly && !r.ogn) continue;
        std::string compId(Cut(r.COMPID, 3));
        int n;
        if (r.NAME[0] != '\0') {
            n = std::snprintf(line, sizeof line, "%s|%-3s %-6s %-11s%s\r\n", r.FlarmID, compId.c_str(),
                              std::string(Cut(r.REG, 6)).c_str(), std::string(Cut(r.TYPE, 11)).c_str(),
                              std::string(Cut(r.NAME, 23)).c_str());
        } else {
            n = std::snprintf(line, sizeof line, "%s|%-3s\r\n", r.FlarmID, compId.c_str());
            if (r.REG[0] != '\0' || r.TYPE[0] != '\0') ++withoutName;
        }
        out.append(line, static_cast<size_t>(n));
        ++written;
    }
    if (withoutName > 0) memory.ListF("%d records saved without REG/TYPE (no NAME)", withoutName);
    return written;
}

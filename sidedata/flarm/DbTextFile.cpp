#include "sidedata/flarm/DbTextFile.h"

#include <cstdio>
#include <cstring>

#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

std::string_view Cut(const char* text, size_t max) {
    size_t length = std::strlen(text);
    return {text, length < max ? length : max};
}

}  // namespace

void ReadDbTextFile(FlarmMemory& memory, FlarmInput& input) {
    bool ogn = input.Path().find(kOgnDbPathMark) != std::string::npos;
    while (!input.AtEnd()) {
        input.ReadUntil('\n');
        std::string_view line = input.LineView();
        size_t cr = line.find('\r');
        if (cr != std::string_view::npos) line = line.substr(0, cr);
        if (line.size() <= 9 || line[6] != '|') continue;
        FlarmRecord& r = memory.parse;
        SetFlarmField(r.FlarmID, line.substr(0, 6));
        SetFlarmField(r.COMPID, line.substr(7, 3));
        if (line.size() >= 30) {
            SetFlarmField(r.REG, line.substr(11, 6));
            SetFlarmField(r.TYPE, line.substr(18, 11));
            SetFlarmField(r.NAME, line.substr(29), 23);
        }
        memory.CommitFlarmRecord(ogn);
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

#include "sidedata/flarm/GlidernetFile.h"

#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

// The quoted value that starts at `start` (just after its opening quote): up to the next quote.
// False when no quote closes it.
bool QuotedValue(std::string_view line, size_t start, std::string_view& value, size_t& close) {
    if (start > line.size()) return false;
    close = line.find('\'', start);
    if (close == std::string_view::npos) return false;
    value = line.substr(start, close - start);
    return true;
}

// True when the value closed at `close` is followed by ",'" (the next value's opening).
bool NextValueFollows(std::string_view line, size_t close) {
    return close + 2 < line.size() && line[close + 1] == ',' && line[close + 2] == '\'';
}

}  // namespace

void ReadGlidernetFile(FlarmMemory& memory, FlarmInput& input) {
    while (!input.AtEnd()) {
        input.ReadUntil('\n');
        std::string_view line = input.LineView();
        if (line.empty() || line[0] == '#') continue;
        // 'T','ID____','model','reg','cn',...
        if (line.size() < 14 || line[0] != '\'' || line[2] != '\'' || line[3] != ',' || line[4] != '\'' ||
            line[11] != '\'' || line[12] != ',' || line[13] != '\'') {
            continue;
        }
        std::string_view type, reg, compId;
        size_t close = 0;
        if (!QuotedValue(line, 14, type, close)) continue;
        FlarmRecord& r = memory.parse;
        SetFlarmField(r.FlarmID, line.substr(5, 6));
        SetFlarmField(r.TYPE, type, 23);
        if (NextValueFollows(line, close) && QuotedValue(line, close + 3, reg, close)) {
            SetFlarmField(r.REG, reg, 6);
            if (NextValueFollows(line, close) && QuotedValue(line, close + 3, compId, close)) {
                SetFlarmField(r.COMPID, compId, 3);
            }
        }
        memory.CommitFlarmRecord(false);
    }
}

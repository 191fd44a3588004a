#include "sidedata/flarm/FlarmViewFile.h"

#include <cstring>

#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

void ReadFlarmViewFile(FlarmMemory& memory, FlarmInput& input) {
    for (;;) {
        std::string_view bytes = input.Take(kFlarmViewRecordSize);
        if (bytes.empty()) return;
        if (bytes.size() < kFlarmViewRecordSize) {
            memory.List("Incomplete record at end of file");
            return;
        }
        SetFlarmField(memory.parse.FlarmID, bytes.substr(0, 7));
        SetFlarmField(memory.parse.COMPID, bytes.substr(7, 3));
        // A record added here has the OGN flag clear; one that meets a stored id keeps its flag.
        memory.CommitFlarmRecord(false);
    }
}

int WriteFlarmViewFile(FlarmMemory& memory, std::string& out) {
    int written = 0;
    for (const FlarmRecord& record : memory.Records()) {
        if (record.COMPID[0] == '\0' || record.COMPID[0] == ' ') continue;
        char bytes[kFlarmViewRecordSize] = {};
        std::memcpy(bytes, record.FlarmID, 6);
        std::memcpy(bytes + 7, record.COMPID, std::strlen(record.COMPID));
        out.append(bytes, sizeof bytes);
        ++written;
    }
    return written;
}

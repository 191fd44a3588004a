#include "sidedata/flarm/FlarmFileKind.h"

#include <cstring>

#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/DbTextFile.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"
#include "sidedata/flarm/FlarmViewFile.h"
#include "sidedata/flarm/GlidernetFile.h"
#include "sidedata/flarm/HexFlnFile.h"
#include "sidedata/flarm/ShiftedXmlFile.h"

const char* const FlarmFileKindNames[7] = {"Butterfly", "flarm.flx", "hex fln", "xml+1 fln",
                                           "db text",   "glidernet", "unknown"};

FlarmFileKind DetectFileKind(std::string_view head) {
    char b[17] = {};
    std::memcpy(b, head.data(), head.size() < 16 ? head.size() : 16);
    size_t n = head.size();
    auto begins = [&](const char* text) { return n >= std::strlen(text) && std::memcmp(b, text, std::strlen(text)) == 0; };
    bool hexId = n >= 6 && IsHexId(b);
    if (begins("#BFD_FN")) return kKindButterfly;
    if (n > 6 && b[6] == '\0' && hexId) return kKindFlarmView;
    if (n > 6 && b[6] == '\n' && hexId) return kKindHexFln;
    if (begins("=@ynm")) return kKindShiftedXml;
    if (n >= 10 && b[6] == '|' && hexId && IsCompIdText(b + 7)) return kKindDbText;
    if (begins("#DEVICE_TYPE,")) return kKindGlidernet;
    return kKindUnknown;
}

FlarmFileKind ReadFlarmFile(FlarmMemory& memory, FlarmInput& input) {
    FlarmFileKind kind = DetectFileKind(input.Data().substr(0, 16));
    memory.ListF("This file is %s format", FlarmFileKindNames[kind]);
    input.Rewind();
    // Typical bytes per record of each kind: room for the first file's records at once (later
    // files mostly meet ids already there).
    static const size_t kBytesPerRecord[] = {58, 14, 173, 150, 40, 40, 1};
    if (!memory.listing && !memory.HasRecords() && kind != kKindUnknown) {
        memory.ReserveRecords(input.Data().size() / kBytesPerRecord[kind]);
    }
    switch (kind) {
    case kKindButterfly: ReadButterflyFile(memory, input); break;
    case kKindFlarmView: ReadFlarmViewFile(memory, input); break;
    case kKindHexFln: ReadHexFlnFile(memory, input); break;
    case kKindShiftedXml: ReadShiftedXmlFile(memory, input); break;
    case kKindDbText: ReadDbTextFile(memory, input); break;
    case kKindGlidernet: ReadGlidernetFile(memory, input); break;
    case kKindUnknown: break;
    }
    // The records of this file in id order: the next file meets them in order.
    memory.Records();
    return kind;
}

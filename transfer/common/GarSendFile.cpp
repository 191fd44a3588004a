#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/common/ImageChecks.h"

bool ImageChecks::ReadGarRecord(uint8_t* packet) {
    for (;;) {
        GarRecord record;
        if (ReadGarRecordFrom(sendFile, record) != GarRead::Ok) {
            reporter_.Message("Unexpected End of File");
            return false;
        }
        packet[0] = static_cast<uint8_t>(record.id);
        packet[1] = static_cast<uint8_t>(record.size);
        std::memcpy(packet + 2, record.data, static_cast<size_t>(record.size));
        if (record.id == kGarProductData) {
            if (record.Reaches(1)) garProductId = record.S16(0);
            continue;
        }
        if (record.id == kGarRecordCount) {
            if (record.Reaches(1)) garRecordCount = record.S16(0);
            continue;
        }
        if (record.id != kGarEnd) ++recordsSent;
        return true;
    }
}

int ImageChecks::PeekGarRecordId(uint8_t* packet) {
    const int sent = recordsSent;
    const bool ok = ReadGarRecord(packet);
    recordsSent = sent;
    sendFile.Rewind();
    return ok ? packet[0] : -1;
}

namespace {

void TakeRow(std::string& fileName, int row) {
    if (row >= 0 && row < kHostFileKinds) fileName = HostFileTable[row].file;
}

}  // namespace

bool ImageChecks::OpenSendFile(int row) {
    TakeRow(fileName, row);
    if (sendFile.OpenRead(fileName)) return true;
    reporter_.Message(StringFormatC("Unable to Open '%s' for reading", fileName.c_str()));
    return false;
}

bool ImageChecks::OpenReceiveFile(int row, bool truncate) {
    TakeRow(fileName, row);
    if (receiveFile.OpenWrite(fileName, truncate)) return true;
    reporter_.Message(StringFormatC("Unable to Open '%s' for writing", fileName.c_str()));
    return false;
}

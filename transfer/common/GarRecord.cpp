#include "transfer/common/GarRecord.h"

#include "transfer/common/TransferFile.h"

GarRead ReadGarRecordFrom(TransferFile& file, GarRecord& record) {
    uint8_t head[2];
    const size_t n = file.Read(head, 2);
    if (n == 0) {
        record.id = -1;
        record.size = 0;
        return GarRead::End;
    }
    record.id = head[0];
    if (n < 2) {
        record.size = 0;
        return GarRead::Short;
    }
    const size_t got = file.Read(record.data, head[1]);
    record.size = static_cast<int>(got);
    return got == head[1] ? GarRead::Ok : GarRead::Short;
}

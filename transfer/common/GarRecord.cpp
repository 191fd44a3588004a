#include "transfer/common/GarRecord.h"

#include <algorithm>

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

GarRead SkipGarRecordFrom(TransferFile& file, int64_t fileSize, int& id, int& size) {
    uint8_t head[2];
    const size_t n = file.Read(head, 2);
    id = n == 0 ? -1 : head[0];
    size = 0;
    if (n < 2) return n == 0 ? GarRead::End : GarRead::Short;
    const int64_t end = file.Position() + head[1];
    size = static_cast<int>(head[1]);
    if (end > fileSize) {
        size = static_cast<int>(std::max<int64_t>(0, fileSize - file.Position()));
        file.Seek(fileSize);
        return GarRead::Short;
    }
    file.Seek(end);
    return GarRead::Ok;
}

#include "transfer/serial/AckRequiredQueue.h"

#include "common/CLocale.h"

namespace {

constexpr int NoAckIds[] = {6, 9, 21, 32, -1};

}  // namespace

bool IsNoAckId(int id) {
    for (int i = 0; NoAckIds[i] != -1; ++i) {
        if (NoAckIds[i] == id) return true;
    }
    return false;
}

void AckRequiredQueue::Book(int id, std::string* full) {
    if (IsNoAckId(id)) return;
    if (count_ < kCapacity) ids_[count_++] = id;
    if (count_ == kCapacity) {
        if (full) {
            *full = "****** \"ACK required\" queue full:";
            for (int i = 0; i < 4; ++i) *full += StringFormatC(" %02x", ids_[i]);
        }
        count_ = 0;
    }
}

std::string AckRequiredQueue::CheckAck(int id) {
    std::string notes;
    int head = 0;
    while (head < count_ && ids_[head] != id) {
        notes = StringFormatC("%s<No ACK recd for pkt 0x%02x> ", notes.c_str(), ids_[head]);
        ++head;
    }
    if (head == count_) {
        notes = StringFormatC("%s<Recd spurious ACK for pkt 0x%02x> ", notes.c_str(), id);
        count_ = 0;
        return notes;
    }
    ++head;
    for (int i = head; i < count_; ++i) ids_[i - head] = ids_[i];
    count_ -= head;
    return notes;
}

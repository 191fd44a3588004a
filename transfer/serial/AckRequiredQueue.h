// The ids of sent packets that wait for their ACK, oldest first, and the ids that are never
// acknowledged.
#pragma once

#include <string>

// Ids never booked for an ACK and never acknowledged when received.
bool IsNoAckId(int id);

class AckRequiredQueue {
public:
    static constexpr int kCapacity = 6;

    // Books an id (ids of NoAckIds are not booked). When the queue then holds six ids it is
    // emptied; full gets the note of its first four ids for the debug line.
    void Book(int id, std::string* full = nullptr);
    // Matches an ACK from the head: ids before the acknowledged one are dropped and noted;
    // without a match the queue is cleared and the ACK noted as spurious. Returns the notes.
    std::string CheckAck(int id);
    void Clear() { count_ = 0; }
    int Count() const { return count_; }
    int At(int i) const { return ids_[i]; }

private:
    int ids_[kCapacity] = {};
    int count_ = 0;
};

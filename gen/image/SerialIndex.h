// Values by database serial number. The serials a database gives out (0 up, one after the
// other) index a table, a few bytes each; any other serial goes to a hash map.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/BulkMemory.h"

template <class Value>
class SerialIndex {
public:
    // Room for the serials below `count`.
    void Reserve(size_t count) { table_.reserve(std::min<size_t>(count, kTableLimit)); }
    // Stores the value unless the serial has one already; false then.
    bool Insert(int32_t serial, const Value& value) {
        if (serial < 0 || serial >= kTableLimit) return others_.emplace(serial, value).second;
        const size_t at = static_cast<size_t>(serial);
        if (at >= table_.size()) table_.resize(at + 1);
        if (table_[at]) return false;
        table_[at] = value;
        return true;
    }
    const Value* Find(int32_t serial) const {
        if (serial < 0 || serial >= kTableLimit) {
            const auto it = others_.find(serial);
            return it == others_.end() ? nullptr : &it->second;
        }
        const size_t at = static_cast<size_t>(serial);
        return at < table_.size() && table_[at] ? &*table_[at] : nullptr;
    }

private:
    static constexpr int32_t kTableLimit = 1 << 22;
    std::vector<std::optional<Value>, platform::BulkAllocator<std::optional<Value>>> table_;
    std::unordered_map<int32_t, Value> others_;
};

// The list of airports that have approaches: the first four characters of each line of
// "aptswappr.txt" in the database folder.
#pragma once

#include <array>
#include <string>
#include <vector>

inline constexpr const char* kApproachAirportsFile = "aptswappr.txt";
inline constexpr const char* kMallocFailedFormat = "Program error: malloc failed to allocate %u bytes";

class ApproachAirports {
public:
    static constexpr int kEntrySize = 5;
    using Entry = std::array<char, kEntrySize>;

    enum class LoadResult { Loaded, Missing, NoMemory };

    ApproachAirports();

    // Replaces the list from the file: one entry per line, its first four characters and a
    // terminator (a shorter line keeps its line end). A missing file leaves the list empty;
    // so does a list that cannot be allocated (NoMemory, with the size in *bytes).
    [[nodiscard]] LoadResult Load(const std::string& path, unsigned* bytes = nullptr);

    // Number of entries, not counting the all-zero entry that follows them.
    int Count() const { return int(m_entries.size()) - 1; }
    // Entry i (0..Count(); entry Count() is the all-zero end entry).
    const char* At(int i) const { return m_entries[size_t(i)].data(); }
    void Clear();

private:
    std::vector<Entry> m_entries;
};

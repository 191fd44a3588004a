// The index writer of one section, one entry per call: the record count and the 164 ident
// buckets, the grid-order index, the city-name and facility-name indexes (not for INT) and the
// grid cells; at the end the layout is computed again with the section's cell count.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/ImageResult.h"

class Image;
class SectionRecordWriter;

class IndexWriter {
public:
    // The records writer must outlive the index writer.
    IndexWriter(Image& image, const SectionRecordWriter& records);

    // Does one unit of work; *done becomes true after the last one.
    ImageResult Step(bool* done);
    // Runs every step (for callers that need no idle-time slicing).
    ImageResult Run();

private:
    enum class State { Buckets, GridIndex, CityIndex, FacilityIndex, Boxes, Cells, Done };

    void SortBy(State next);
    ImageResult WriteIndex(uint32_t start, uint32_t count);
    ImageResult BoxStep();
    ImageResult CellStep(bool* finished);

    Image* image_;
    const SectionRecordWriter* records_;
    int section_;
    State state_ = State::Buckets;
    uint32_t call_ = 0;
    std::vector<uint32_t> order_;     // record numbers in the current sort order
    std::vector<uint16_t> gridOrder_; // record numbers in grid order (kept for the boxes)
    struct Box {
        uint16_t count = 0;
        uint16_t first = 0xFFFF;
    };
    std::vector<Box> boxes_;
    int32_t lastBox_ = -1;
    uint32_t searchBox_ = 0;
    uint32_t cells_ = 0;
};

// The grid index of a compiled airspace file: cells of a fixed shape, each split into boxes
// from west to east; a box lists the numbers of the compiled records whose bounding box meets
// it (at most 255). One cell is built per call. Records are bucketed by box one grid row at a
// time, so a row costs one pass over the compiled-box table.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/compile/CompileSession.h"

class OperationContext;

struct GridShape {
    int rows;
    int columns;
    int boxes;             // per cell
    uint32_t height;       // of a cell, position units
    uint32_t boxWidth;
    int rowBase;           // row whose south edge is latitude 0
    uint32_t westOrigin;   // west edge of column 0 (32-bit wrap-around)
    uint32_t cellSize;     // bytes of a cell record: 5 + 3 x boxes

    int Cells() const { return rows * columns; }
    int32_t South(int row) const { return static_cast<int32_t>(static_cast<uint32_t>(row - rowBase) * height); }
    int32_t West(int column, int box) const {
        return static_cast<int32_t>(westOrigin + static_cast<uint32_t>(column) * boxWidth * static_cast<uint32_t>(boxes) +
                                    static_cast<uint32_t>(box) * boxWidth);
    }
};

extern const GridShape kSuaGrid;  // 89 x 36 cells of 5 boxes, 20-byte cells
extern const GridShape kTccGrid;  // 35 x 12 cells of 6 boxes, 23-byte cells

// True when a record's box (each value of 0 or less lowered by one unit) meets the grid box.
bool RecordInGridBox(const CompiledBox& record, int32_t boxWest, int32_t boxSouth, int32_t boxEast, int32_t boxNorth);

// Places a position in the 5-byte corner form: longitude bits 16-31 at lon[0..1], latitude bits
// 15-30 at lat[0..1], and longitude bits 14-15 and latitude bit 14 at bit `shift` of *flags.
void PutCorner(uint8_t* lon, uint8_t* lat, uint8_t* flags, int shift, int32_t latitude, int32_t longitude);

class GridBuilder {
public:
    explicit GridBuilder(const GridShape& shape) : shape_(shape) {}
    // Builds and writes cell `k` (record numbers to work file R, the cell to G when any box
    // received a record). False with the session's error set when a limit is passed.
    bool AddCell(OperationContext& c, CompileSession& s, int k);

private:
    void BucketRow(const CompileSession& s, int row);

    const GridShape& shape_;
    int row_ = -1;
    std::vector<std::vector<uint32_t>> buckets_;  // by box of the row
    std::vector<int32_t> wests_, easts_;          // edges of the row's boxes
};

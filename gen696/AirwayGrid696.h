// The airway grid of a 696 image: for each of the 16200 boxes the airways whose segments
// cross it (section 74, the lists cell after cell) and the runs of five boxes (section 73).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class AirwayGrid696 {
public:
    AirwayGrid696();
    ~AirwayGrid696();

    // Starts the segments of another airway.
    void StartAirway(uint32_t number);
    // Adds the cells the great circle from `from` to `to` crosses (angles in database units).
    void AddSegment(int32_t fromLat, int32_t fromLon, int32_t toLat, int32_t toLon);
    // Adds one cell (latitude cell -45..44, longitude cell -90..89), first filling a cell
    // between it and the airway's previous cell when they are not neighbours.
    void AddCell(int32_t latCell, int32_t lonCell);

    // Section 74 (3-byte airway numbers) and section 73 (26-byte runs) with their counts.
    void Sections(std::vector<uint8_t>* lists, uint32_t* entries, std::vector<uint8_t>* runs, uint32_t* runCount) const;
    const std::vector<uint32_t>& Cell(uint32_t index) const { return cells_[index]; }

private:
    class AngleCells;
    void Put(int32_t latCell, int32_t lonCell);
    // The point of a position on the unit sphere.
    static void UnitVector(int32_t lat, int32_t lon, double* v);
    std::vector<std::vector<uint32_t>> cells_;
    uint32_t airway_ = 0;
    bool havePrevious_ = false;
    int32_t prevLat_ = 0;
    int32_t prevLon_ = 0;
    // The end of the last segment and its unit vector.
    bool haveEnd_ = false;
    int32_t endLat_ = 0;
    int32_t endLon_ = 0;
    double end_[3] = {};
    // The cells of latitude and longitude last found along the airways.
    std::unique_ptr<AngleCells> lats_;
    std::unique_ptr<AngleCells> lons_;
};

// The airway grid's cell of an angle: the floor of angle / cell.
int32_t AirwayCell696(int32_t angle);

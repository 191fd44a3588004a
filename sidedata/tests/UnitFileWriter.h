// Writes unit database files for tests, from the file layouts: "KpGrd" containers with
// chosen header strings and sections, bare obstacle files, obstacle data with its directory,
// header, text tables and records, fixed-layout obstacle data, and section-record runs.
// All numbers little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unitfile {

using Bytes = std::vector<uint8_t>;

void PutU8(Bytes& b, size_t at, uint8_t v);
void PutU16(Bytes& b, size_t at, uint16_t v);
void PutU32(Bytes& b, size_t at, uint32_t v);
void PutText(Bytes& b, size_t at, const std::string& text);  // grows b as needed, no NUL added

// Degrees to 2^32 units per circle.
int32_t Circle(double degrees);

// ---- Container ----
struct Section {
    uint16_t type = 0;
    Bytes data;
};
// "KpGrd" and its NUL at signatureAt (after filler bytes), the string count at +6, the
// strings from +24, then 15-byte section headers (type at +5, length at +11) each followed
// by its data; trailer bytes at the end.
Bytes Container(const std::vector<std::string>& headerStrings, const std::vector<Section>& sections,
                size_t signatureAt = 0, const Bytes& trailer = {});
// 522 bytes to put at the end of a file: the cycle's 8 bytes first (e.g. "24B1" and 4 NULs).
Bytes CycleTrailer(const std::string& cycle);

// ---- Kind 38 obstacle data ----
struct Obstacle {
    std::string name;
    int32_t lat = 0;
    int32_t lon = 0;
    uint16_t hex1 = 0;
    int16_t ground = 0;
    int16_t agl = 0;
    uint16_t hex2 = 0;
    uint8_t type = 0;
    uint8_t second = 0;
    uint8_t third = 0;
    uint16_t hex3 = 0;        // its low byte is the flags byte; bit 0: the extra byte follows
    uint8_t extra = 0;
};
struct LinePoint {
    int32_t lat = 0;   // later points are stored as steps of 64 units from the previous one
    int32_t lon = 0;
    uint16_t ground = 0;
    uint16_t agl = 0;
};
struct LineObstacle {
    std::string name;
    uint16_t hex1 = 0;
    uint16_t hex2 = 0;
    uint8_t text = 0;
    uint8_t byte40 = 0;
    std::vector<LinePoint> points;
};
struct ObstacleHeader {
    std::string cycle = "2401";
    uint8_t dates[3][2] = {{15, 1}, {12, 2}, {11, 3}};  // day, month
    uint16_t years[3] = {2024, 2024, 2024};
    uint8_t pad[7] = {1, 2, 3, 4, 5, 6, 7};
    std::string partNumber = "006-D9999-00";
    std::string area = "Test Area";
    std::string copyright[3] = {"Copyright one", "Copyright two", "Copyright three"};
};
struct ObstacleData {
    ObstacleHeader header;
    std::vector<std::pair<std::string, std::string>> typeTexts;  // text and short text
    std::vector<std::string> lineTexts;
    std::vector<std::string> secondTexts;
    std::vector<std::string> thirdTexts;
    // The records in order: an obstacle or a line obstacle each.
    std::vector<Obstacle> obstacles;
    std::vector<LineObstacle> lines;
    std::vector<char> order;  // 'O' or 'L' per record; empty: all obstacles, then all lines
};
Bytes ObstacleRecord(const Obstacle& o);
Bytes LineObstacleRecord(const LineObstacle& l);
// Directory of 28 entries (entry 0: itself), the header record, the four text tables and the
// record run.
Bytes ObstacleFileData(const ObstacleData& d);

// ---- Kind 39 fixed-layout data ----
struct FixedObstacle {
    double lat = 0;        // degrees
    double lon = 0;
    int16_t msl = 0;       // metres
    uint16_t agl = 0;      // metres
    bool lit = false;
};
struct FixedData {
    std::string copyright1 = "Fixed copyright 1";
    std::string copyright2 = "Fixed copyright 2";
    std::string region = "Test Region";
    int16_t corner1[3] = {1, 2, 3};
    int16_t corner2[3] = {4, 5, 6};
    // Groups of the index; an empty group gets an entry with offset 0.
    std::vector<std::vector<FixedObstacle>> groups;
};
Bytes FixedFileData(const FixedData& d);

// ---- Section records (kinds 51, 55, 76, 79) ----
Bytes TitleRecord(const std::string& text);
Bytes FourRecord(uint16_t word);
Bytes DescriptionRecord(const std::string& text);
// With remark empty and hasRemark false: a VRP without a remark.
Bytes VrpRecord(const std::string& name, int32_t lat, int32_t lon, const std::string& remark, bool hasRemark);
Bytes SectionEndRecord(uint32_t section, const std::string& text);
Bytes SectionBoxRecord(uint32_t section, int32_t lat1, int32_t lon1, int32_t lat2, int32_t lon2);
Bytes SectionStartRecord(uint32_t section1, uint32_t section2, const std::string& text);
Bytes EndOfFileRecord();
Bytes UnknownRecord(uint32_t type, size_t bodyLength);
Bytes Join(const std::vector<Bytes>& parts);

// The fixtures kept in sidedata/tests/data, by file name.
std::vector<std::pair<std::string, Bytes>> Fixtures();

}  // namespace unitfile

// The FSS/TCC and SUA sections of an image written back as TCC.DAT and SUA.DAT: the inverse
// of the relocation that Create Image applies when it copies them in. Name pointers become
// name numbers, their start values are cleared, offsets are made relative to the section's
// byte-list or vertex table again. The file is filled one piece per call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/image/AirspaceRelocation.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageParams.h"

class IsamImageSource;
class IsamNameResolver;

// Turns one record back in place: every name pointer into its name number (-1 as all ones when
// absent) with the start value cleared, the offset field made relative to `offsetBase`. The two
// numbers are returned in numbers[] (the second -1 when the record has one name).
void UnrelocateAirspaceRecord(const ImageParams& params, const AirspaceRecordLayout& layout, uint8_t* record,
                              const IsamNameResolver& names, uint32_t offsetBase, int32_t numbers[2]);

// One airspace file being written from an image section.
class IsamAirspaceFile {
public:
    // A run of the section: raw bytes copied in pieces of at most 160 bytes, or records of a
    // layout turned back one per call (`records` null: raw; `unit` the record length).
    struct Part {
        uint32_t start = 0;
        uint32_t length = 0;
        uint32_t unit = 0;
        const AirspaceRecordLayout* records = nullptr;
        uint32_t offsetBase = 0;
    };

    IsamAirspaceFile(std::string path, std::string header, std::vector<Part> parts);
    ~IsamAirspaceFile();
    IsamAirspaceFile(const IsamAirspaceFile&) = delete;
    IsamAirspaceFile& operator=(const IsamAirspaceFile&) = delete;

    // Creates the file empty; false when it cannot be created. The file is not held open
    // between calls: the bytes copied are kept here until Finish.
    bool Create();
    // Copies the next piece; false when every part is done.
    bool Next(const IsamImageSource& source, const IsamNameResolver& names, uint32_t debugLevel,
              std::vector<std::string>* lines);
    // Writes what was copied and closes the file; false when the bytes could not be written.
    bool Finish();

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<Part> parts_;
    size_t part_ = 0;
    uint32_t at_ = 0;       // offset in the current part
    uint32_t record_ = 0;   // record number in the current table
    std::vector<uint8_t> out_;
};

// Header lines: "TCC_02|%lx|...<" (eight values) and "SUA_02|%x|%lx|...<" (eleven), without
// the tag in the 18-bit families.
std::string FormatTccDatHeader(const TccSectionHeader& header, bool tagged);
std::string FormatSuaDatHeader(const SuaSectionHeader& header, bool tagged);

// The file plans: header line and parts of TCC.DAT and SUA.DAT from the image's sections.
std::unique_ptr<IsamAirspaceFile> PlanTccFile(const IsamImageSource& source, const std::string& path);
std::unique_ptr<IsamAirspaceFile> PlanSuaFile(const IsamImageSource& source, const std::string& path);

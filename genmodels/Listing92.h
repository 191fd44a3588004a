// The List operation of the 92/190 generator: the title page, countries, names and the APT
// (with runway and frequency lines), INT, NDB and VOR sections of a model-92 image. The image
// is read whole and checked when it is opened; a damaged one lists its fault and nothing more.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/shell/GenModel.h"

class IsamImageSource;
class OperationContext;

class Listing92 {
public:
    Listing92();
    ~Listing92();

    // Reads the open image (once per file name).
    void Open(OperationContext& c);
    void Close();
    // The next line handle of the context's listing kind that passes the filters; -1 at the end.
    // APT lines are record x 256 + sub-line (0 the airport, then its runway and frequency lines).
    int32_t Next(OperationContext& c);
    void Line(OperationContext& c, int32_t handle, std::string& out);

private:
    // With a debug level the section map; with an SUA section the image size line.
    void ListSectionMap(OperationContext& c) const;
    bool Passes(OperationContext& c, int section, uint32_t n) const;
    uint32_t SubLines(uint32_t extraLevel, uint32_t airport) const;
    std::string NameText(uint32_t bit) const;
    // The names text decoded (again) from its bytes as loaded (and perhaps repaired).
    void DecodeNames();
    // -f: every name that a record refers to must follow the end code of the name before it;
    // a missing one is written in (at a debug level only when the user agrees).
    void CheckNamePointers(OperationContext& c);
    // The bit addresses of the names that APT, NDB, VOR and SUA records refer to, in that order.
    std::vector<uint32_t> ReferencedNames() const;
    std::string NamesPart(int section, const uint8_t* record, bool recordNumbers) const;

    std::unique_ptr<IsamImageSource> source_;
    std::vector<uint8_t> names_;
    std::vector<std::string> nameTexts_;
    std::vector<uint32_t> nameStarts_;
    std::string loadedName_;
    std::string error_;
    int filterCountry_ = -1;
};

// The listing hooks of the model.
void InstallListing92(GenModel& model);

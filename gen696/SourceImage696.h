// A 696 image opened for reading: its header and directory loaded and checked, the section
// bounds derived from them, and the values of section 1 that later steps need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen696/ImageFile696.h"

class SourceImage696 {
public:
    // Loads and checks the image of the open descriptor: entry 0, every section within the
    // file, the length word and the seal. False with a message naming the fault.
    bool Load(int fd, const std::string& name, std::string* error);

    int Fd() const { return fd_; }
    uint64_t FileSize() const { return fileSize_; }
    // The image's end: the highest section start plus its count x size.
    uint32_t End() const { return end_; }
    // The directory as read, section 41 lowered by 3 (the start of its block).
    const std::vector<ImageDirectoryEntry>& Directory() const { return directory_; }
    const uint8_t* Header() const { return header_.data(); }
    // Value n (u16) of section 1; 0 when the section has no such value.
    uint32_t StaticValue(uint32_t n) const { return n < staticValues_.size() ? staticValues_[n] : 0; }

    // The section-map lines of the debug listing.
    std::vector<std::string> SectionMapLines() const;

private:
    int fd_ = -1;
    uint64_t fileSize_ = 0;
    uint32_t end_ = 0;
    std::vector<uint8_t> header_;
    std::vector<ImageDirectoryEntry> directory_;
    std::vector<uint32_t> staticValues_;
};

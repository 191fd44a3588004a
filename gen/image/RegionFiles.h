// Region files from a listed image: a ".rg1" file of exactly 0xFA000 bytes (the container
// header of a template region file, then the first part of the image) and its second half.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageFileUi.h"

constexpr int64_t kRegionFileSize = 0xFA000;

// True when the base name is exactly 12 characters with the '.' at position 8 (8.3 form).
bool IsEightDotThree(const std::string& path);

// Makes the two files from the template region file and the image; false when refused or
// failed (a message has been shown; nothing is deleted).
bool MakeRegionFiles(const std::string& templatePath, const std::string& imagePath, int ownKind, ImageFileUi& ui);

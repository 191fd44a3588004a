// Recognising an image file: plain images, and the unit maker's "KpGrd" container files
// (.rg1 and its second half, .awp, .taw) whose record chain holds an image.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageFileUi.h"
#include "gen/image/UnitTable.h"

constexpr size_t kImageHeaderBuffer = 256;

// What identifying a file found.
struct ImageFileInfo {
    bool opened = false;                 // the file could be opened
    int64_t offset = 0;                  // where the image data begins (0: a plain image)
    uint8_t header[kImageHeaderBuffer];  // the first 256 bytes of the image data
    const UnitProgramRow* row = nullptr; // the unit family, null when none matched
    int partNumber = -1;
};

// Reads the file's first 256 bytes and, for a container extension (".rg...", ".awp", ".taw"),
// follows its record chain to the first record of type 0, 1 or 50 and reads 256 bytes there;
// then matches the unit/program table. Never reads outside the file.
ImageFileInfo IdentifyImageFile(const std::string& path);

// The offset of the image data in a "KpGrd" container whose first bytes are `head` (n bytes
// of the file), following the chain in the open file; 0 when there is none.
int64_t FindContainerImage(int fd, const uint8_t* head, size_t n);

// The position of "KpGrd" with its NUL within the first 250 bytes, -1 when absent.
int FindKpGrd(const uint8_t* head, size_t n);

// The image-type check before a generator reads an image: the offset of the image data in
// the file (0 for a plain image), or -1. A file name without '.' is refused silently; a file of
// another family or of none is refused with a message.
int64_t CheckImageFileType(const std::string& path, int ownKind, ImageFileUi& ui, ImageFileInfo* info = nullptr);

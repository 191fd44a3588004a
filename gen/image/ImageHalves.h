// Turning the file chosen for Create ISAM or List into a plain image of the generator's
// family: a plain image is used as it is; a container file, or a region file with its second
// half, becomes a new ".img" file.
#pragma once

#include <string>

#include "gen/image/ImageFileUi.h"

class Image;

struct JoinedImage {
    bool open = false;     // the image is open in the Image given
    std::string path;      // the plain image now used (the new ".img" name after a join)
    int kind = 0;          // the own kind, recorded when open
};

JoinedImage JoinImageHalves(const std::string& path, int ownKind, ImageFileUi& ui, Image& source);

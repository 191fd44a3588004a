// What the generator programs of the 495/496, GPS III Pilot and 195 families share: their
// operations installed in the model, and the program's run. A program's main fills the model's
// names, version, compile modes and image parameter set and hands it over.
#pragma once

#include <string>

#include "gen/shell/GenModel.h"

class CGenView;

// The model code of the image parameter set; Create Image, Create ISAM and Batch Update as the
// model's drivers, and the image-type check of Create ISAM and List (hooks the model already has
// are kept).
void InstallImageOperations(GenModel& model);

// The image-type check: an image of another unit family is refused with "This file is for a
// ..." naming the program to use; the family's own images, and files whose part number no
// family has, go through the part-number pattern check of the setup.
bool CheckFamilyImageType(CGenView& view, const std::string& fileName, int modelCode);

// Installs the operations and runs the generator; the program's exit status.
int RunImageGenerator(GenModel model, int argc, char** argv);

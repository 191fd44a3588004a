// Sovrick's model: the generator of the 92/190 family on the framework, with the family's image
// file, Create Image, Create ISAM, airspace files, listings, command line and batch rules.
#pragma once

#include "gen/shell/GenModel.h"

inline constexpr const char* kSovrickVersion = "5.4.10";

// Fills the model of the 92/190 generator and the framework's operations around its own.
void InstallSovrick(GenModel& model);

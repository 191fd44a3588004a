// Dallowen's model: the generator of the 90/95 XL family on the framework, with the family's
// image file, Create Image, Create ISAM, XL mode and command line.
#pragma once

#include "gen/shell/GenModel.h"

inline constexpr const char* kDallowenVersion = "5.4.10";

// XL mode is the parameter set of the program's image: 1 MiB with airspace, or 768 KiB without.
void SetXlMode90(CGenApp& app, bool on);
bool XlMode90(const CGenApp& app);

// "&View > &XL Mode": flips XL mode, checked while it is on.
constexpr unsigned kCmdXlMode90 = 32790;

void InstallDallowen(GenModel& model);

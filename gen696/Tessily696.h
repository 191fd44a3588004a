// Tessily's model: names, modes, control-file sections, command-line switches, confirmation
// lines, compile filter and the operations of the 696 family.
#pragma once

#include <string>
#include <vector>

#include "gen/shell/GenModel.h"

inline constexpr const char* kTessilyVersion = "5.4.10";
// Mode 5 compiles airway text here.
inline constexpr int kModeCompileAwy = kModeCompileTcc;

// Fills the model of the 696 generator.
void InstallTessily(GenModel& model);

// A switch of Tessily's own with its value (-SUAT: the kind name); false when it is not one.
bool ApplySwitch696(const std::string& name, const std::string& value);
// Tessily's batch result texts by code.
const std::vector<std::string>& BatchResultTexts696();
// The -SUAT kind code of a kind name (0: no such kind).
int SuaKindCode696(const std::string& name);

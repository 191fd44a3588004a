#include "gen/shell/GenModel.h"

const ModeText kModeTexts[kModeCount] = {
    {"Create Image File from ISAM Database", "CreateImage"},
    {"Create ISAM Database from Image File", "CreateISAM"},
    {"Perform a Batch Update of ISAM DB", "BatchUpdate"},
    {"List Selected Image File Section", "List"},
    {"Compile SUA Text", "CompileSUA"},
    {"Compile FSS/TCC Text", "CompileTCC"},
    {"Compile APR Text", "CompileAPR"},
};

const char* const kSectionComboTexts[11] = {
    "Image Title", "Countries", "Names", "APTs", "INTs", "NDBs",
    "VORs", "SUAs", "FSSs", "ARTCCs", "Approaches",
};

const char* const kSectionConfirmTexts[11] = {
    "Eprom Title", "Countries", "Names", "APTs", "INTs", "NDBs",
    "VORs", "SUAs", "FSSs", "ARTCCs", "Approaches",
};

bool GenModel::OffersMode(int mode) const {
    if (mode >= 0 && mode <= kModeList) return true;
    for (const auto& [m, text] : compileModes) {
        if (m == mode) return true;
    }
    return false;
}

std::string GenModel::ModeComboText(int mode) const {
    for (const auto& [m, text] : compileModes) {
        if (m == mode) return text;
    }
    if (mode >= 0 && mode < kModeCount) return kModeTexts[mode].comboText;
    return "";
}

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

namespace {

const std::pair<const char*, int> kControlSections[] = {{"APT", 3}, {"INT", 4}, {"NDB", 5}, {"VOR", 6},
                                                         {"SUA", 7}, {"FSS", 8}, {"TCC", 9}, {"APR", 10}};

}  // namespace

std::string GenModel::ModeKeyword(int mode) const {
    if (mode < 0 || mode >= kModeCount) return "";
    return modeKeywords[mode] ? modeKeywords[mode] : kModeTexts[mode].keyword;
}

bool GenModel::SectionOfKeyword(const std::string& keyword, int* section) const {
    if (!controlSections.empty()) {
        for (const auto& [name, value] : controlSections) {
            if (keyword == name) {
                *section = value;
                return true;
            }
        }
        return false;
    }
    for (const auto& [name, value] : kControlSections) {
        if (keyword == name) {
            *section = value;
            return true;
        }
    }
    return false;
}

std::vector<std::string> GenModel::SectionComboTexts() const {
    if (!sectionComboTexts.empty()) return sectionComboTexts;
    return std::vector<std::string>(std::begin(kSectionComboTexts), std::end(kSectionComboTexts));
}

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

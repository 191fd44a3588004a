#include "transfer/sdcard/CelvaneDetails.h"

#include "common/CLocale.h"
#include "transfer/sdcard/CelvaneTables.h"
#include "transfer/sdcard/CelvaneVersion.h"

std::vector<std::string> CelvaneDetailsLines(int debugLevel, const std::string& cardLabel, const SdSections& sections) {
    std::vector<std::string> lines = {"", StringFormatC(" ******** Celvane %s Transfer Details ********", kCelvaneVersion), ""};
    if (debugLevel != 0) lines.push_back(StringFormatC("Debug Level = %d", debugLevel));
    lines.push_back(StringFormatC("The following data will be copied to the SD Card (%s)", cardLabel.c_str()));
    int last = -1;
    for (const ContainerRegion& row : sections.rows) {
        if (!FindCardFile(static_cast<int>(row.region))) continue;
        lines.push_back(CelvaneRegionName(static_cast<int>(row.region)));
        last = static_cast<int>(row.region);
    }
    if (last == 20) {
        lines.push_back("Please note: You have to unzip the \"charts\" subfolder from the .exe file");
        lines.push_back("directly onto the SD Card folder \"fc_tpc\" after performing this operation,");
        lines.push_back("so that \"charts\" becomes a subfolder in \"fc_tpc\" containing thousands of .fca files.");
    } else if (last == 26) {
        lines.push_back("Please note: You have to unzip the \"HI\", \"LO\", and \"SECT\" subfolders from the .exe file");
        lines.push_back("directly onto the SD Card folder \"rasters\" after performing this operation,");
        lines.push_back("so that \"HI\", \"LO\", and \"SECT\" become subfolders in \"rasters\" containing lots of .jnx files.");
    }
    lines.push_back("CLICK THE 'GO' BUTTON WHEN READY");
    lines.push_back("");
    return lines;
}

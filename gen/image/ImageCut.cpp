#include "gen/image/ImageCut.h"

#include "common/CLocale.h"

uint64_t CutBehindImageEnd(const ImageParams& params, uint32_t imageEnd, uint64_t fileLength) {
    const uint64_t cut = static_cast<uint64_t>(imageEnd / params.cutUnit) * params.cutUnit + params.cutUnit;
    return cut < params.prefillSize ? cut : fileLength;
}

ImageSizeCheck CheckImageSize(const ImageParams& params, uint32_t namesLength, uint32_t imageEnd,
                              const uint32_t recordCounts[kSectionCount]) {
    ImageSizeCheck check;
    if (namesLength >= params.namesTableLimit) {
        check.messages.push_back(StringFormatC("Please note the names table is %d bytes too long - DO NOT USE",
                                               static_cast<int>(namesLength - params.namesTableLimit)));
        check.sumcheck = false;
        return check;
    }
    if (imageEnd > params.sizeLimit) {
        check.messages.push_back(StringFormatC("Please note image is %ld bytes too long - DO NOT USE",
                                               static_cast<long>(imageEnd - params.excessBase)));
        check.sumcheck = false;
        return check;
    }
    if (imageEnd > params.prefillSize) {
        if (params.longImageWarning) check.messages.push_back(params.longImageWarning);
        return check;
    }
    if (params.recordWarningLimit > 0) {
        for (int s = 0; s < kSectionCount; ++s) {
            if (recordCounts[s] > params.recordWarningLimit) {
                check.messages.push_back(StringFormatC(params.recordWarning, params.sections[s].name));
            }
        }
    }
    return check;
}

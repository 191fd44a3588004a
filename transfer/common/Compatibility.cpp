#include "common/CLocale.h"
#include "transfer/common/ImageChecks.h"

bool ImageChecks::Ask(const std::string& question, const char* answerFormat, int format) {
    const bool yes = reporter_.AskYesNo(question);
    reporter_.Log(question);
    reporter_.Log(StringFormatC(answerFormat, format, unitProductId, yes ? "YES" : "NO"));
    return !yes;
}

bool ImageChecks::CheckImageCompatibility() {
    if (!SumcheckLayout(imageType)) return false;
    if (ImageTypeAllowsUnit(imageType, unitProductId)) return false;
    return Ask("The Image file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?",
               "(Image format=%d, model=%d, reply=%s)", imageType);
}

bool ImageChecks::CheckGarCompatibility() {
    if (garProductId <= 0) return false;
    if (GarModelsInterchangeable(garProductId, unitProductId)) return false;
    return Ask("The GAR file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?",
               "(File format=%d, model=%d, reply=%s)", garProductId);
}

bool ImageChecks::CheckCompatibility() { return CheckImageCompatibility() || CheckGarCompatibility(); }

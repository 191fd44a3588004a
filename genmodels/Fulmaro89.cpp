#include "genmodels/Fulmaro89.h"

#include "genmodels/Batch89.h"
#include "gen/createimage/CreateImageProgram.h"
#include "genmodels/CreateImage89.h"
#include "genmodels/CreateIsam89.h"
#include "genmodels/ImageFile89.h"
#include "genmodels/Listing89.h"

void InstallFulmaro(GenModel& model) {
    model.name = "Fulmaro";
    model.optimiseCommand = false;
    model.version = kFulmaroVersion;
    model.programFile = "fulmaro";
    model.imageParams = &ImageParams89;
    model.ignoredSwitches = {"-T", "-P", "-NOTRAINING"};
    // The framework's compile modes are offered, but the family has nothing to compile: each
    // says so in the listing and does nothing.
    for (int mode = kModeCompileSua; mode <= kModeCompileApr; ++mode) {
        model.compileModes.push_back({mode, kModeTexts[mode].comboText});
        model.drivers[mode] = [](OperationContext&) { return true; };
        model.openers[mode] = [](OperationContext& c, const std::string&) {
            c.AddLine(kNotSupported89);
            return false;
        };
    }
    model.compileFilter = [](CGenApp&, int) { return true; };
    InstallCreateImage89(model);
    InstallCreateIsam89(model);
    InstallBatchUpdate(model, BatchHandlers89());
    InstallListing89(model);
    InstallImageOperations(model);
}

#include "genmodels/Fulmaro89.h"

#include "genmodels/Batch89.h"
#include "gen/createimage/CreateImageProgram.h"
#include "genmodels/CreateImage89.h"
#include "genmodels/CreateIsam89.h"
#include "genmodels/ImageFile89.h"

void InstallFulmaro(GenModel& model) {
    model.name = "Fulmaro";
    model.version = kFulmaroVersion;
    model.programFile = "fulmaro";
    model.imageParams = &ImageParams89;
    model.ignoredSwitches = {"-T", "-P", "-NOTRAINING"};
    InstallCreateImage89(model);
    InstallCreateIsam89(model);
    InstallBatchUpdate(model, BatchHandlers89());
    InstallImageOperations(model);
}

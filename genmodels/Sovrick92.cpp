#include "genmodels/Sovrick92.h"

#include "gen/compile/CompileSession.h"
#include "gen/createimage/CreateImageProgram.h"
#include "genmodels/Batch92.h"
#include "genmodels/CreateImage92.h"
#include "genmodels/CreateIsam92.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/Listing92.h"

void InstallSovrick(GenModel& model) {
    model.name = "Sovrick";
    model.version = kSovrickVersion;
    model.programFile = "sovrick";
    model.compileModes = {{kModeCompileSua, kModeTexts[kModeCompileSua].comboText},
                          {kModeCompileTcc, kModeTexts[kModeCompileTcc].comboText}};
    model.imageParams = &ImageParams92;
    model.compileErrorFrame = kErrorFrame;
    // The family has no title switch; the framework's -P and -NOTRAINING do nothing here either.
    model.ignoredSwitches = {"-T", "-P", "-NOTRAINING"};
    model.switchHelp = {{"-f", "check the name pointers of an image when it is opened, writing missing end codes in"},
                        {"-p", "listings show a runway's diagram word instead of (p)"}};
    InstallCreateImage92(model);
    InstallCreateIsam92(model);
    InstallBatchUpdate(model, BatchHandlers92());
    InstallListing92(model);
    InstallImageOperations(model);
}

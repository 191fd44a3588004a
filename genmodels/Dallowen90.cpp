#include "genmodels/Dallowen90.h"

#include <memory>

#include "gen/batch/BatchUpdate.h"
#include "gen/compile/CompileSession.h"
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/Image.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "genmodels/CreateImage90.h"
#include "genmodels/CreateIsam90.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/Listing90.h"

void SetXlMode90(CGenApp& app, bool on) {
    const ImageParams* params = on ? &ImageParams90Xl : &ImageParams90;
    app.Model().imageParams = params;
    CGenDoc* doc = app.Document();
    if (doc && doc->GetImage() && &doc->GetImage()->Params() != params) {
        doc->SetImage(std::make_unique<Image>(*params));
        app.Context().image = doc->GetImage();
    }
}

bool XlMode90(const CGenApp& app) { return app.Model().imageParams == &ImageParams90Xl; }

void InstallDallowen(GenModel& model) {
    model.name = "Dallowen";
    model.version = kDallowenVersion;
    model.programFile = "dallowen";
    model.compileModes = {{kModeCompileSua, kModeTexts[kModeCompileSua].comboText}};
    model.imageParams = &ImageParams90Xl;
    model.compileErrorFrame = kErrorFrame;
    model.twoVertexAreaIsError = true;
    // The family has no title switch; the framework's -P and -NOTRAINING do nothing here either.
    model.ignoredSwitches = {"-T", "-P", "-NOTRAINING"};
    using platform::SwitchValue;
    model.extraSwitches = {
        {"-A", SwitchValue::None, "", "XL mode off: 768 KiB images without airspace"},
        {"-X", SwitchValue::None, "", "XL mode on: 1 MiB images with the airspace of SUA.DAT"},
    };
    model.onExtraSwitch = [](CGenApp& app, const platform::SwitchUse& use) { SetXlMode90(app, use.decl->name == "-X"); };
    model.viewCommands = {{kCmdXlMode90, "&XL Mode", "Include SUA data in Create Operations",
                           [](CGenApp& app) { SetXlMode90(app, !XlMode90(app)); }, XlMode90}};
    InstallCreateImage90(model);
    InstallCreateIsam90(model);
    InstallBatchUpdate(model, DefaultBatchHandlers());
    InstallListing90(model);
    InstallImageOperations(model);
}

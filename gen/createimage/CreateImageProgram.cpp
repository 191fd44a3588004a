#include "gen/createimage/CreateImageProgram.h"

#include "common/CLocale.h"
#include "common/SixBitCode.h"
#include "gen/batch/BatchUpdate.h"
#include "gen/compile/CompileOperations.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenView.h"
#include "gen/createimage/CreateImage.h"
#include "gen/createisam/CreateIsam.h"
#include "gen/image/ImageCheck.h"
#include "gen/image/ImageParams.h"
#include "common/PartNumber.h"
#include "gen/shell/RunSetup.h"
#include "gen/listing/SaveAs.h"
#include "gen/listing/SectionListing.h"
#include "platform/MessageBox.h"

void InstallImageOperations(GenModel& model) {
    if (model.imageParams) model.modelCode = model.imageParams->modelCode;
    if (!model.drivers[kModeCreateImage]) InstallCreateImage(model);
    if (!model.drivers[kModeBatchUpdate]) InstallBatchUpdate(model);
    if (!model.drivers[kModeCreateIsam]) InstallCreateIsam(model);
    if (!model.nextListingItem) InstallImageListings(model);
    InstallSaveAs(model);
    InstallCompileOperations(model);
    if (!model.checkImageType) model.checkImageType = CheckFamilyImageType;
}

bool CheckFamilyImageType(CGenView& view, const std::string& fileName, int modelCode) {
    const ImageFileInfo info = IdentifyImageFile(fileName);
    if (!info.opened) {
        platform::ShowMessage(StringFormatC("Cannot open %s", fileName.c_str()));
        return false;
    }
    if (info.row && info.row->kind != modelCode) {
        platform::ShowMessage(StringFormatC("This file is for a \"%s\" please use program \"%s\"", info.row->unit,
                                            info.row->program));
        return false;
    }
    const ImageParams* params = view.App().Model().imageParams;
    if (!params) return true;
    const size_t offset = params->partNumberOffset;
    char chars[kPackedPartNumberSize * 8 / 6 + 1];
    UnpackSixBitText(info.header + offset, kPackedPartNumberSize, sizeof chars - 1, chars);
    if (chars[3] != '-' || chars[9] != '-') {
        platform::ShowMessage(StringFormatC("%s is not an Orvanta Image file", fileName.c_str()));
        return false;
    }
    return CheckPartNumberPattern(view, info.header, sizeof info.header, offset);
}

int RunImageGenerator(GenModel model, int argc, char** argv) {
    InstallImageOperations(model);
    CGenApp app(std::move(model));
    return app.Main(argc, argv);
}

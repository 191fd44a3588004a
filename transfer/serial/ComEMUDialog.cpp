#include "transfer/serial/ComEMUDialog.h"

#include <string>
#include <vector>

#include "platform/Exchange.h"
#include "transfer/serial/EmulatedModels.h"

using namespace platform;

namespace {

std::vector<std::string> ModelEntries() {
    std::vector<std::string> entries;
    for (const EmulatedModel& m : EmulatedModelTable) entries.emplace_back(m.listEntry);
    return entries;
}

}  // namespace

ComEMUDialog::ComEMUDialog()
    : Dialog({140, "Emulation",
              {StaticControl("Host Mode GPS Emulation"), DropListControl(kIdEmulationModel, "Model", ModelEntries()),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {}

void ComEMUDialog::DoDataExchange(Exchange& dx) { dx.Index(kIdEmulationModel, model); }

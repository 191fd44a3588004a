#include "sidedata/flarm/CVersionDlg.h"

#include "platform/Exchange.h"
#include "platform/MessageBox.h"
#include "sidedata/flarm/FlarmRecord.h"

using namespace platform;

CVersionDlg::CVersionDlg()
    : Dialog({130, "Set Version Number",
              {StaticControl("Some file types need a version number consisting of 6 hex digits.For example "
                             "003c4d.\n\n Please look at the latest Flarmnet downloads for their current "
                             "version and use something similar."),
               EditControl(kIdVersionEdit, "Version", 6), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void CVersionDlg::DoDataExchange(Exchange& dx) { dx.Text(kIdVersionEdit, version, 6); }

const char* VersionTextProblem(const std::string& text) {
    if (text.size() != 6) return "Please use 6 hex digits";
    if (!IsHexVersion(text)) return "Please use only digits 0-9 and letters a-f";
    return nullptr;
}

void CVersionDlg::OnOk() {
    if (const char* problem = VersionTextProblem(GetItemText(kIdVersionEdit))) {
        ShowMessage(problem);
        return;
    }
    Dialog::OnOk();
}

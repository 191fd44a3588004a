#include "gen/shell/CGenTitleDlg.h"

#include "gen/shell/CGenSetupDlg.h"
#include "platform/Exchange.h"

using namespace platform;

CGenTitleDlg::CGenTitleDlg()
    : Dialog({134, "Title Page",
              {EditControl(kIdTitleEdit, "Title", static_cast<int>(kSetupTitleLength)),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {}

void CGenTitleDlg::DoDataExchange(Exchange& dx) {
    if (!dx.Saving() && title.size() > kSetupTitleLength) title.resize(kSetupTitleLength);
    dx.Text(kIdTitleEdit, title, static_cast<int>(kSetupTitleLength));
}

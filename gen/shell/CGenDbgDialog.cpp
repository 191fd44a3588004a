#include "gen/shell/CGenDbgDialog.h"

#include "platform/Exchange.h"

using namespace platform;

CGenDbgDialog::CGenDbgDialog()
    : Dialog({144, "Program Debug Trace Levels",
              {NumberControl(kIdDebugNormal, "Normal"), NumberControl(kIdDebugExtra, "Extra"),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {}

void CGenDbgDialog::DoDataExchange(Exchange& dx) {
    dx.UInt(kIdDebugNormal, normal);
    dx.UInt(kIdDebugExtra, extra);
}

#include "gen/shell/CompileDialog.h"

#include "gen/shell/CGenFilt.h"
#include "platform/Exchange.h"

using namespace platform;

CompileDialog::CompileDialog()
    : Dialog({145, "Optional Filters",
              {StaticControl("", kIdCompilePrompt), EditControl(kIdCompileMaxBase, "Maximum Base"),
               EditControl(kIdCornerSW, "South West Limit"), EditControl(kIdCornerNE, "North East Limit"),
               CheckControl(kIdCompileBrief, "Include brief Airports"),
               StaticControl("You can include brief details of all APTs in the ISAM database, but outside your "
                             "selected area, by checking this box"),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {}

bool CompileDialog::OnInit() {
    if (!caption.empty()) SetCaption(caption);
    SetItemText(kIdCompilePrompt, prompt);
    EnableItem(kIdCompileMaxBase, maxBaseEnabled);
    EnableItem(kIdCompileBrief, briefEnabled);
    return Dialog::OnInit();
}

void CompileDialog::DoDataExchange(Exchange& dx) {
    dx.Text(kIdCompileMaxBase, maxBase);
    dx.Text(kIdCornerSW, southWest);
    dx.Text(kIdCornerNE, northEast);
    dx.Check(kIdCompileBrief, briefApts);
}

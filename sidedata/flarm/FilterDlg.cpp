#include "sidedata/flarm/FilterDlg.h"

#include "platform/Exchange.h"

using namespace platform;

FilterDlg::FilterDlg()
    : Dialog({131, "Set ID Filter",
              {StaticControl("Items will only be used if their IDs match the character or characters placed in "
                             "this box"),
               EditControl(kIdFilterEdit, "ID", 6), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void FilterDlg::DoDataExchange(Exchange& dx) { dx.Text(kIdFilterEdit, filter, 6); }

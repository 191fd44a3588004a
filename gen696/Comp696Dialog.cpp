#include "gen696/Comp696Dialog.h"

#include "platform/Exchange.h"

using namespace platform;

Comp696Dialog::Comp696Dialog()
    : Dialog({146, "Compile SUA Filter",
              {EditControl(kIdComp696MaxBase, "Max Base in feet"),
               StaticControl("You can set a \"Maximum Base\" for SUAs, so that areas with a base level above your "
                             "setting will be excluded from NewSUA.dat"),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {}

void Comp696Dialog::DoDataExchange(Exchange& dx) { dx.Text(kIdComp696MaxBase, maxBase); }

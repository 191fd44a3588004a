#include "gen/shell/AppImageFileUi.h"

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "platform/MessageBox.h"

void AppImageFileUi::Message(const std::string& text) { platform::ShowMessage(text); }

bool AppImageFileUi::Question(const std::string& text) {
    return platform::ShowMessage(text, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

void AppImageFileUi::AddLine(const std::string& text) {
    if (CGenDoc* doc = app_.Document()) doc->AddLine(text);
}

bool AppImageFileUi::ControlFileRun() const { return app_.Control().Running(); }

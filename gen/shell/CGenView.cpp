#include "gen/shell/CGenView.h"

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "platform/FileSystem.h"

CGenView::CGenView(CGenApp& app)
    : ListingView({kCmdScreenFont, kCmdPrintFont, kCmdSelectDown, kCmdSelectUp}, app.GetUi().GetClipboard(), 50),
      app_(app) {
    AddCommands();
}

CGenView::~CGenView() { CloseSetupFiles(); }

CGenDoc* CGenView::GetDoc() const { return dynamic_cast<CGenDoc*>(GetDocument()); }

void CGenView::AddCommands() {
    auto& table = Commands();
    table.Add(kCmdSetup, [this] { RunSetup(); },
              [this](platform::CommandState& s) { s.enabled = !running; });
    table.Add(kCmdStopReset, [this] { StopOperation(kOperationAbortedText); },
              [this](platform::CommandState& s) { s.enabled = running; });
}

std::string CGenView::BannerText() const { return app_.Model().name; }

bool CGenView::ShowsStoredLines() const {
    CGenDoc* doc = GetDoc();
    return !doc || doc->ShownKind() == 0;
}

bool CGenView::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    if (message == kMsgStartSetup) {
        RunSetup();
        return true;
    }
    return ListingView::OnMessage(message, wparam, lparam);
}

void CGenView::CloseSetupFiles() {
    if (probeFd >= 0) platform::CloseFile(probeFd);
    if (secondFd >= 0) platform::CloseFile(secondFd);
    probeFd = -1;
    secondFd = -1;
}

#include "platform/LogView.h"

#include "platform/DebugLevelDialog.h"
#include "platform/LogDocument.h"

namespace platform {

LogView::LogView(LogViewDecl decl, Clipboard& clipboard, int& debugLevel)
    : ListingView({kCmdLogScreenFont, kCmdLogPrintFont, kCmdLogSelectDown, kCmdLogSelectUp}, clipboard, 0),
      debugLevel_(debugLevel),
      decl_(decl) {
    auto& table = Commands();
    table.Add(kCmdLogSetup, [this] { OnStart(0); }, [this](CommandState& s) { s.enabled = !Busy(); });
    table.Add(kCmdLogDebugLevel, [this] { OnDebugLevel(); }, [this](CommandState& s) { s.enabled = !Busy(); });
    table.Add(decl_.stopResetId, [this] { OnStopReset(); }, [this](CommandState& s) { s.enabled = StopEnabled(); });
}

LogView::~LogView() = default;

LogDocument* LogView::GetLogDoc() const { return dynamic_cast<LogDocument*>(GetDocument()); }

void LogView::Stop(const std::string& text) {
    if (!busy_) return;
    busy_ = false;
    ClearSelection();
    if (LogDocument* doc = GetLogDoc()) doc->AddLine(text);
}

void LogView::OnDebugLevel() { RunDebugLevelDialog(decl_.debugDialogId, debugLevel_); }

bool LogView::OnMessage(unsigned message, WParam wparam, LParam lparam) {
    if (message == kMsgLogStart) {
        OnStart(wparam);
        return true;
    }
    return ListingView::OnMessage(message, wparam, lparam);
}

}  // namespace platform

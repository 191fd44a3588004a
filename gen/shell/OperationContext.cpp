#include "gen/shell/OperationContext.h"

#include "common/LineReader.h"
#include "gen/compile/CompileSession.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenView.h"
#include "platform/FileSystem.h"

OperationContext::OperationContext() = default;

OperationContext::~OperationContext() { CloseBatch(); }

void OperationContext::FailOperation() {
    if (!app) return;
    app->NoteOperationFailed();
    if (CGenView* view = app->GenView()) view->StopOperation(kOperationAbortedText);
}

void OperationContext::AddLine(std::string_view text) const {
    if (doc) doc->AddLine(text);
}

void OperationContext::ReplaceLastLine(std::string_view text, bool force) const {
    if (doc) doc->ReplaceLastLine(text, force);
}

void OperationContext::CloseBatch() {
    batch.reset();
    if (batchFd >= 0) platform::CloseFile(batchFd);
    batchFd = -1;
}

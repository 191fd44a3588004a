#include "platform/Printing.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/DeviceContext.h"
#include "platform/Document.h"
#include "platform/View.h"

namespace platform {

bool PrintView(View& view, bool preview) {
    App* app = App::Current();
    if (!app) return false;
    Ui& ui = app->GetUi();

    PrintInfo info;
    info.preview = preview;
    Document* doc = view.GetDocument();
    info.documentName = doc && !doc->Title().empty() ? doc->Title() : app->AppName();
    if (!view.OnPreparePrinting(info)) return false;
    info.fromPage = info.minPage;
    info.toPage = info.maxPage;
    if (!preview && !ui.RunPrintDialog(info)) return false;

    std::unique_ptr<DeviceContext> dc = ui.CreatePrinterDC(info);
    if (!dc) return false;
    info.pageRect = {0, 0, dc->GetDeviceCaps(DeviceCap::HorzRes), dc->GetDeviceCaps(DeviceCap::VertRes)};

    view.OnBeginPrinting(*dc, info);
    bool ok = dc->StartDoc(info.documentName);
    int first = std::max(info.minPage, info.fromPage);
    int last = std::min(info.maxPage, info.toPage);
    for (int page = first; ok && page <= last; ++page) {
        info.currentPage = page;
        view.OnPrepareDC(*dc, &info);
        if (!info.continuePrinting) break;
        if (!dc->StartPage()) {
            ok = false;
            break;
        }
        view.OnPrint(*dc, info);
        if (!dc->EndPage()) ok = false;
        if (!info.continuePrinting) break;
    }
    if (ok) ok = dc->EndDoc();
    else dc->AbortDoc();
    view.OnEndPrinting(*dc, info);
    ui.PrintJobDone(*dc, info, ok);
    return ok;
}

bool RunPrintSetup() {
    App* app = App::Current();
    return app && app->GetUi().RunPrintSetup();
}

}  // namespace platform

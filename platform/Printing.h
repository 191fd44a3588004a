// Print jobs: the page loop over a printer DeviceContext, print preview and
// printer setup.
#pragma once

#include <string>

#include "platform/Geometry.h"

namespace platform {

class View;

struct PrintInfo {
    bool preview = false;
    int minPage = 1;          // page range the view offers (set in OnPreparePrinting)
    int maxPage = 0xFFFF;
    int fromPage = 1;         // range chosen in the print dialog
    int toPage = 0xFFFF;
    int currentPage = 1;
    bool continuePrinting = true;  // a view may clear it in OnPrint to stop
    Rect pageRect;            // printable area of the page, device units
    std::string documentName;
};

// Printer settings kept by the backend between jobs (File > Print Setup).
struct PrinterSettings {
    std::string printerName = "Default printer";
    Size pageSize{4800, 6600};  // device units of the printable area
    int dpi = 600;
    bool landscape = false;
};

// File > Print / Print Preview for a view: OnPreparePrinting, the print
// dialog (not for a preview), the backend's printer context, OnBeginPrinting,
// then for each page StartPage, OnPrepareDC, OnPrint, EndPage, and EndDoc
// and OnEndPrinting. A maxPage below minPage prints no page. Returns false
// when cancelled or the printer failed.
bool PrintView(View& view, bool preview);

// File > Print Setup: the backend's printer setup dialog; true on OK.
bool RunPrintSetup();

}  // namespace platform

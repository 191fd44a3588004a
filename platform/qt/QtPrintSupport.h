// Printing in the Qt backend: the print dialog (printers and "Print to File (PDF)", page
// range), printer setup, the printer context of a job on a QPrinter, and print preview of
// the pages a job recorded.
#pragma once

#include <memory>
#include <vector>

#include "platform/Printing.h"
#include "platform/qt/QtDC.h"

class QPainter;
class QPrinter;

namespace platform::qt {

class QtUi;

// A job's context: pages go to the printer, or are recorded for a preview.
class QtPrinterDC : public QtDC {
public:
    QtPrinterDC(QPrinter& printer, bool preview);
    ~QtPrinterDC() override;

    bool StartDoc(const std::string& documentName) override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool StartPage() override;
    bool EndPage() override { return true; }

    const std::vector<DrawPage>& Pages() const { return pages_; }

private:
    QPrinter& printer_;
    std::unique_ptr<QPainter> painter_;
    bool preview_;
    int pagesStarted_ = 0;
    std::vector<DrawPage> pages_;
};

class QtPrintSupport {
public:
    explicit QtPrintSupport(QtUi& ui);
    ~QtPrintSupport();

    // Scripted answers: caption "Print" with From, To and File name (a PDF file to print
    // to); "Print Setup" with Landscape; "Print Preview" is closed by any press.
    bool RunPrintDialog(PrintInfo& info);
    std::unique_ptr<DeviceContext> CreatePrinterDC(const PrintInfo& info);
    void PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok);
    bool RunPrintSetup();
    const PrinterSettings& Settings() const;

    QPrinter& Printer() { return *printer_; }

private:
    QtUi& ui_;
    std::unique_ptr<QPrinter> printer_;
    mutable PrinterSettings settings_;
};

}  // namespace platform::qt

#include "platform/qt/QtPrintSupport.h"

#include <QDir>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <cstdlib>

#include "platform/Dialog.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"

namespace platform::qt {
namespace {

constexpr int kPrinterDpi = 600;  // the layer's printer unit: a print font of 50 is 6 points

// Ids of the controls the headless backend's twins of these dialogs have.
constexpr int kIdFrom = 1152;
constexpr int kIdTo = 1153;
constexpr int kIdFile = 1154;
constexpr int kIdLandscape = 1056;

QSize PageSize(QPrinter& printer) { return printer.pageRect(QPrinter::DevicePixel).size().toSize(); }

// Presses the scripted button of a window the layer did not declare: OK-like buttons accept
// it as it stands (its values were set before it opened), anything else cancels.
void PressScripted(QtUi& ui, QDialog& dialog, const ScriptedAnswer& answer) {
    if (!dialog.isVisible()) return;
    int id = ButtonIdFromName(answer.press);
    std::string press = ControlLabelKey(answer.press);
    if (id == kIdOk || id == kIdYes || press == "print" || press == "save" || press == "open") {
        dialog.done(QDialog::Accepted);
        return;
    }
    if (id != kIdCancel && id != kIdNo && press != "close") {
        ui.Answers().Report(AnswerWhere(answer) + "no button '" + answer.press + "' in dialog '" +
                            To1252(dialog.windowTitle()) + "'; cancelled");
    }
    dialog.done(QDialog::Rejected);
}

}  // namespace

QtPrinterDC::QtPrinterDC(QPrinter& printer, bool preview)
    : QtDC(&printer, nullptr, true, PageSize(printer), printer.resolution()), printer_(printer), preview_(preview) {
    if (preview_) RecordInto(&pages_);
}

QtPrinterDC::~QtPrinterDC() {
    if (painter_ && painter_->isActive()) painter_->end();
}

bool QtPrinterDC::StartDoc(const std::string& documentName) {
    printer_.setDocName(From1252(documentName));
    if (preview_) return true;
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) return false;
    SetPainter(painter_.get());
    return true;
}

bool QtPrinterDC::StartPage() {
    if (preview_) {
        pages_.emplace_back();
        return true;
    }
    if (!painter_ || !painter_->isActive()) return false;
    return pagesStarted_++ == 0 || printer_.newPage();
}

bool QtPrinterDC::EndDoc() {
    if (preview_) return true;
    SetPainter(nullptr);
    return painter_ && painter_->end();
}

void QtPrinterDC::AbortDoc() {
    if (preview_ || !painter_ || !painter_->isActive()) return;
    printer_.abort();
    SetPainter(nullptr);
    painter_->end();
}

QtPrintSupport::QtPrintSupport(QtUi& ui) : ui_(ui), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setResolution(kPrinterDpi);
}

QtPrintSupport::~QtPrintSupport() = default;

bool QtPrintSupport::RunPrintDialog(PrintInfo& info) {
    ScriptedAnswer answer;
    bool scripted = ui_.Answers().Take("Print", {"From", "To", "File name"}, answer);
    printer_->setPrintRange(QPrinter::AllPages);
    if (scripted) {
        auto values = ui_.Answers().ValuesFor(answer, {{"From", kIdFrom}, {"To", kIdTo}, {"File name", kIdFile}}, "Print");
        if (values.count(kIdFile)) {
            QString file = FromPath(values[kIdFile]);
            printer_->setOutputFileName(QDir::current().absoluteFilePath(file));
        }
        if (values.count(kIdFrom) || values.count(kIdTo)) {
            int from = values.count(kIdFrom) ? std::atoi(values[kIdFrom].c_str()) : info.minPage;
            int to = values.count(kIdTo) ? std::atoi(values[kIdTo].c_str()) : info.maxPage;
            printer_->setPrintRange(QPrinter::PageRange);
            printer_->setFromTo(from, to);
        }
    }
    QPrintDialog dialog(printer_.get(), ui_.DialogParent());
    dialog.setWindowTitle("Print");
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(info.minPage, info.maxPage);
    if (scripted) ui_.Answers().WhenShown(dialog, [] {}, [this, &dialog, answer] { PressScripted(ui_, dialog, answer); });
    if (ui_.ExecModal(dialog) != QDialog::Accepted) return false;
    if (printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0) {
        info.fromPage = printer_->fromPage();
        info.toPage = printer_->toPage() > 0 ? printer_->toPage() : info.maxPage;
    } else {
        info.fromPage = info.minPage;
        info.toPage = info.maxPage;
    }
    return true;
}

std::unique_ptr<DeviceContext> QtPrintSupport::CreatePrinterDC(const PrintInfo& info) {
    return std::make_unique<QtPrinterDC>(*printer_, info.preview);
}

void QtPrintSupport::PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) {
    auto* job = dynamic_cast<QtPrinterDC*>(&dc);
    if (!info.preview || !ok || !job) return;
    const std::vector<DrawPage>& pages = job->Pages();
    QPrintPreviewDialog preview(printer_.get(), ui_.DialogParent());
    preview.setWindowTitle("Print Preview");
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&pages](QPrinter* printer) {
        QPainter painter(printer);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) printer->newPage();
            PaintPage(painter, pages[i]);
        }
    });
    if (auto* widget = preview.findChild<QPrintPreviewWidget*>()) {
        widget->setViewMode(QPrintPreviewWidget::SinglePageView);
        widget->fitToWidth();
    }
    preview.resize(760, 860);
    ScriptedAnswer answer;
    if (ui_.Answers().Take("Print Preview", {}, answer)) {
        ui_.Answers().WhenShown(preview, [] {}, [this, &preview, answer] { PressScripted(ui_, preview, answer); });
    }
    ui_.ExecModal(preview);
}

bool QtPrintSupport::RunPrintSetup() {
    ScriptedAnswer answer;
    bool scripted = ui_.Answers().Take("Print Setup", {"Landscape"}, answer);
    if (scripted) {
        auto values = ui_.Answers().ValuesFor(answer, {{"Landscape", kIdLandscape}}, "Print Setup");
        if (values.count(kIdLandscape)) {
            std::string v = ControlLabelKey(values[kIdLandscape]);
            bool landscape = v == "1" || v == "yes" || v == "on" || v == "true" || v == "checked";
            printer_->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        }
    }
    QPageSetupDialog dialog(printer_.get(), ui_.DialogParent());
    dialog.setWindowTitle("Print Setup");
    if (scripted) ui_.Answers().WhenShown(dialog, [] {}, [this, &dialog, answer] { PressScripted(ui_, dialog, answer); });
    return ui_.ExecModal(dialog) == QDialog::Accepted;
}

const PrinterSettings& QtPrintSupport::Settings() const {
    QString file = printer_->outputFileName();
    settings_.printerName = To1252(file.isEmpty() ? printer_->printerName() : "PDF: " + file);
    if (settings_.printerName.empty()) settings_.printerName = "Default printer";
    QSize page = PageSize(*printer_);
    settings_.pageSize = {page.width(), page.height()};
    settings_.dpi = printer_->resolution();
    settings_.landscape = printer_->pageLayout().orientation() == QPageLayout::Landscape;
    return settings_;
}

}  // namespace platform::qt

#include "platform/HeadlessUi.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/App.h"
#include "platform/Dialog.h"
#include "platform/Exchange.h"
#include "platform/HeadlessDriver.h"
#include "platform/Text1252.h"
#include "platform/View.h"

namespace platform {
namespace {

constexpr std::size_t kEchoKeep = 20000;  // lines kept for EchoedLines

// The file dialog's own checks on OK: name, default extension, existence.
class FileBox : public Dialog {
public:
    FileBox(DialogDecl decl, FileDialogRequest& request) : Dialog(std::move(decl)), request_(request) {}

    static constexpr int kName = 1152;
    static constexpr int kType = 1136;

    bool OnInit() override {
        SetItemText(kName, request_.fileName);
        SetCurSel(kType, request_.filterIndex - 1);
        return true;
    }

    void OnOk() override {
        std::string path;
        if (!AcceptChosenFile(request_, GetItemText(kName), path)) return;  // the dialog stays
        request_.fileName = path;
        int type = GetCurSel(kType);
        if (type >= 0) request_.filterIndex = type + 1;
        End(kIdOk);
    }

private:
    FileDialogRequest& request_;
};

class FontBox : public Dialog {
public:
    FontBox(DialogDecl decl, FontDialogRequest& request) : Dialog(std::move(decl)), request_(request) {}

    static constexpr int kFace = 1136;
    static constexpr int kSize = 1138;
    static constexpr int kBold = 1040;
    static constexpr int kItalic = 1041;

    bool OnInit() override {
        const Font& f = request_.font;
        SetItemText(kFace, f.face);
        SetItemInt(kSize, f.height < 0 ? -f.height : f.height);
        SetCheck(kBold, f.weight > kWeightNormal);
        SetCheck(kItalic, f.italic);
        return true;
    }

    void OnOk() override {
        std::optional<long> size = GetItemInt(kSize);
        std::string face = GetItemText(kFace);
        if (face.empty()) {
            ShowMessage("There is no font with that name.\nChoose a font from the list of fonts.",
                        MessageStyle{Buttons::Ok, Icon::Warning, 0});
            return;
        }
        if (!size || *size < 1 || *size > 1000) {
            ShowMessage("Size must be a number between 1 and 1000.", MessageStyle{Buttons::Ok, Icon::Warning, 0});
            return;
        }
        Font& f = request_.font;
        f.face = face;
        f.height = f.height < 0 ? -static_cast<int>(*size) : static_cast<int>(*size);
        bool bold = IsChecked(kBold);
        if (bold && f.weight <= kWeightNormal) f.weight = kWeightBold;
        if (!bold && f.weight > kWeightNormal) f.weight = kWeightNormal;
        f.italic = IsChecked(kItalic);
        if (request_.fixedPitchOnly) f.pitch = Pitch::Fixed;
        End(kIdOk);
    }

private:
    FontDialogRequest& request_;
};

class PrintBox : public Dialog {
public:
    PrintBox(DialogDecl decl, PrintInfo& info) : Dialog(std::move(decl)), info_(info) {}

    static constexpr int kFrom = 1152;
    static constexpr int kTo = 1153;

    bool OnInit() override {
        SetItemInt(kFrom, info_.minPage);
        SetItemInt(kTo, info_.maxPage);
        return true;
    }

    void OnOk() override {
        std::optional<long> from = GetItemInt(kFrom), to = GetItemInt(kTo);
        if (!from || !to || *from < info_.minPage || *to > info_.maxPage || *from > *to) {
            ShowMessage("Page range must lie between " + std::to_string(info_.minPage) + " and " +
                            std::to_string(info_.maxPage) + ".",
                        MessageStyle{Buttons::Ok, Icon::Warning, 0});
            return;
        }
        info_.fromPage = static_cast<int>(*from);
        info_.toPage = static_cast<int>(*to);
        End(kIdOk);
    }

private:
    PrintInfo& info_;
};

}  // namespace

bool HeadlessClipboard::Open() {
    if (failOpen_ || open_) {
        lastError_ = EBUSY;  // held by another
        return false;
    }
    open_ = true;
    lastError_ = 0;
    return true;
}

bool HeadlessClipboard::Empty() {
    if (!open_ || failEmpty_) {
        lastError_ = open_ ? EBUSY : EBADF;
        return false;
    }
    text_.reset();
    return true;
}

bool HeadlessClipboard::SetText(const std::string& text) {
    if (!open_ || failSet_) {
        lastError_ = open_ ? EBUSY : EBADF;
        return false;
    }
    text_ = text;
    return true;
}

std::optional<std::string> HeadlessClipboard::GetText() const { return text_; }

void HeadlessClipboard::Close() { open_ = false; }

HeadlessUi::HeadlessUi() { SetStreams(stdout, stderr); }

HeadlessUi::~HeadlessUi() { FinishOutput(); }

void HeadlessUi::AddAnswer(ScriptedAnswer answer) { answers_.Add(std::move(answer)); }

void HeadlessUi::AddAnswers(std::vector<ScriptedAnswer> answers) {
    for (auto& a : answers) answers_.Add(std::move(a));
}

bool HeadlessUi::LoadAnswers(const std::string& path, std::string& error) { return answers_.Load(path, error); }

void HeadlessUi::SetStreams(std::FILE* lines, std::FILE* messages) {
    lines_ = lines;
    messages_ = messages;
    linesTerminal_ = lines_ && ::isatty(::fileno(lines_)) == 1;
    lineOpen_ = false;
    holding_ = false;
}

const std::vector<DrawRecord>& HeadlessUi::LastPaint(const View& view) const {
    static const std::vector<DrawRecord> none;
    auto it = paints_.find(&view);
    return it == paints_.end() ? none : it->second;
}

void HeadlessUi::Report(const std::string& text) { Message("answers: " + text); }

void HeadlessUi::Message(std::string_view text) {
    FinishOutput();  // the lines before the message come first where both streams meet
    if (!messages_) return;
    std::string out = programName_.empty() ? std::string() : programName_ + ": ";
    out += Utf8From1252(text);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), messages_);
    std::fflush(messages_);
}

bool HeadlessUi::WaitForEvents(App& app, const Clock::time_point* deadline, bool holds) {
    DriveStep step;
    if (!deadline && !holds && answers_.TakeStep(step)) {
        RunStep(app, step);
        return true;
    }
    if (!deadline && !holds) {
        // The program waits for the user: the driver's next statement acts as one.
        if (driver_ && driver_->HasWork()) {
            driver_->RunNext(app);
            return true;
        }
        return false;  // nobody is left to post
    }
    app.WaitForPost(deadline);
    return true;
}

void HeadlessUi::RunStep(App& app, const DriveStep& step) {
    if (step.verb == "command") {
        if (!app.RouteCommand(unsigned(step.args[0])) && messages_)
            std::fprintf(messages_, "answers: line %d: command %d not handled\n", step.sourceLine, step.args[0]);
    } else if (step.verb == "click") {
        View* view = app.ActiveView();
        if (!view) {
            if (messages_) std::fprintf(messages_, "answers: line %d: no view to click\n", step.sourceLine);
            return;
        }
        view->OnLButtonDown(kMouseLeft, {step.args[0], step.args[1]});
        view->OnLButtonUp(0, {step.args[0], step.args[1]});
    }
}

void HeadlessUi::WakeUp() {}  // App's own condition variable wakes the wait

bool HeadlessUi::LoadDriver(const std::string& path, std::string& error) {
    driver_ = std::make_unique<HeadlessDriver>(*this);
    return driver_->Load(path, error);
}

void HeadlessUi::PaintInvalid() {
    std::vector<Frame*> frames;
    for (auto& [frame, state] : frames_) {
        if (state.created) frames.push_back(const_cast<Frame*>(frame));
    }
    for (Frame* f : frames) {
        for (const auto& v : f->OwnedViews()) {
            if (v->IsInvalid()) PaintView(*v);
        }
    }
}

void HeadlessUi::PaintView(View& view) {
    auto dc = HeadlessDC::Screen(clientSize_);
    if (!recordPaints_) dc.DiscardRecords();
    view.Paint(dc);
    if (recordPaints_) paints_[&view] = dc.Pages().front().records;
}

void HeadlessUi::FrameCreated(Frame& frame) { frames_[&frame].created = true; }

void HeadlessUi::FrameDestroyed(Frame& frame) {
    for (const auto& v : frame.OwnedViews()) paints_.erase(v.get());
    frames_.erase(&frame);
}

bool HeadlessUi::GetPlacement(const Frame& frame, WindowPlacement& placement) const {
    auto it = frames_.find(&frame);
    if (it == frames_.end() || !it->second.created) return false;
    placement = it->second.placement;
    placement.showCmd = static_cast<unsigned>(it->second.show);
    return true;
}

void HeadlessUi::SetPlacement(Frame& frame, const WindowPlacement& placement) {
    FrameState& s = frames_[&frame];
    s.placement = placement;
    switch (placement.showCmd) {
    case 0: s.show = ShowState::Hidden; break;
    case 2: case 6: case 7: s.show = ShowState::Minimized; break;
    case 3: s.show = ShowState::Maximized; break;
    default: s.show = ShowState::Normal; break;
    }
}

ShowState HeadlessUi::GetShowState(const Frame& frame) const {
    auto it = frames_.find(&frame);
    return it == frames_.end() ? ShowState::Hidden : it->second.show;
}

void HeadlessUi::Show(Frame& frame, ShowState state) { frames_[&frame].show = state; }

Rect HeadlessUi::ViewClientRect(const View&) const { return Rect{0, 0, clientSize_.cx, clientSize_.cy}; }

void HeadlessUi::UpdateView(View& view) {
    if (view.IsInvalid()) PaintView(view);
}

std::unique_ptr<DeviceContext> HeadlessUi::CreateViewDC(View&) {
    return std::make_unique<HeadlessDC>(HeadlessDC::Screen(clientSize_));
}

int HeadlessUi::RunDialog(Dialog& dialog) {
    Interaction record;
    record.kind = Interaction::Kind::Dialog;
    record.caption = dialog.Caption();
    while (!dialog.HasEnded()) {
        ScriptedAnswer answer;
        if (!answers_.Take(dialog.Caption(), DialogTexts(dialog), answer)) {
            dialog.OnCancel();
            if (!dialog.HasEnded()) dialog.End(kIdCancel);
            break;
        }
        record.scripted = true;
        ApplyAnswerValues(dialog, answer, [this](const std::string& why) { Report(why); });
        if (dialog.HasEnded()) break;
        int id = AnswerDialogButton(dialog, answer);
        if (id == 0 || !dialog.UserPress(id)) {
            Report(AnswerWhere(answer) + "no button '" + answer.press + "' to press in dialog '" + dialog.Caption() + "'");
        }
    }
    record.result = dialog.Result();
    interactions_.push_back(record);
    return dialog.Result();
}

int HeadlessUi::ShowMessage(std::string_view text, std::string_view caption, const MessageStyle& style) {
    Message(text);
    Interaction record;
    record.kind = Interaction::Kind::MessageBox;
    record.caption.assign(caption);
    record.text.assign(text);
    record.result = DefaultButtonId(style);
    ScriptedAnswer answer;
    if (answers_.Take(record.caption, {record.text}, answer)) {
        record.scripted = true;
        if (int id = AnswerMessageButton(answer, style.buttons)) {
            record.result = id;
        } else {
            Report(AnswerWhere(answer) + "no button '" + answer.press + "' in message box; took " +
                   ButtonName(record.result));
        }
    }
    interactions_.push_back(record);
    return record.result;
}

bool HeadlessUi::RunFileDialog(FileDialogRequest& request) {
    DialogDecl decl;
    decl.caption = !request.title.empty() ? request.title : request.save ? "Save As" : "Open";
    std::vector<std::string> types;
    for (const FileFilter& f : request.filters) types.push_back(f.description);
    decl.controls = {
        EditControl(FileBox::kName, "File name"),
        DropListControl(FileBox::kType, "Files of type", types),
        ButtonControl(kIdOk, request.save ? "Save" : "Open", true),
        ButtonControl(kIdCancel, "Cancel"),
    };
    FileBox dialog(std::move(decl), request);
    std::size_t before = interactions_.size();
    bool ok = dialog.RunModal() == kIdOk;
    if (interactions_.size() > before) interactions_.back().kind = Interaction::Kind::FileDialog;
    return ok;
}

bool HeadlessUi::RunFontDialog(FontDialogRequest& request) {
    DialogDecl decl;
    decl.caption = "Font";
    std::vector<std::string> faces = {"Courier New", "Courier", "Lucida Console", "Consolas"};
    if (!request.fixedPitchOnly) {
        faces.insert(faces.end(), {"Arial", "MS Sans Serif", "Times New Roman"});
    }
    decl.controls = {
        DropDownControl(FontBox::kFace, "Font", faces),
        NumberControl(FontBox::kSize, "Size"),
        CheckControl(FontBox::kBold, "Bold"),
        CheckControl(FontBox::kItalic, "Italic"),
        ButtonControl(kIdOk, "OK", true),
        ButtonControl(kIdCancel, "Cancel"),
    };
    FontBox dialog(std::move(decl), request);
    std::size_t before = interactions_.size();
    bool ok = dialog.RunModal() == kIdOk;
    if (interactions_.size() > before) interactions_.back().kind = Interaction::Kind::FontDialog;
    return ok;
}

bool HeadlessUi::RunPrintDialog(PrintInfo& info) {
    DialogDecl decl;
    decl.caption = "Print";
    decl.controls = {
        StaticControl("Printer: " + printer_.printerName),
        NumberControl(PrintBox::kFrom, "From"),
        NumberControl(PrintBox::kTo, "To"),
        ButtonControl(kIdOk, "OK", true),
        ButtonControl(kIdCancel, "Cancel"),
    };
    PrintBox dialog(std::move(decl), info);
    std::size_t before = interactions_.size();
    bool ok = dialog.RunModal() == kIdOk;
    if (interactions_.size() > before) interactions_.back().kind = Interaction::Kind::PrintDialog;
    return ok;
}

std::unique_ptr<DeviceContext> HeadlessUi::CreatePrinterDC(const PrintInfo&) {
    Size page = printer_.pageSize;
    if (printer_.landscape) std::swap(page.cx, page.cy);
    return std::make_unique<HeadlessDC>(HeadlessDC::Printer(page, printer_.dpi));
}

void HeadlessUi::PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) {
    PrintedJob job;
    job.documentName = info.documentName;
    job.preview = info.preview;
    job.ok = ok;
    if (auto* h = dynamic_cast<HeadlessDC*>(&dc)) job.pages = h->Pages();
    jobs_.push_back(std::move(job));
}

bool HeadlessUi::RunPrintSetup() {
    class SetupBox : public Dialog {
    public:
        SetupBox(DialogDecl s, PrinterSettings& p) : Dialog(std::move(s)), p_(p) {}
        void DoDataExchange(Exchange& dx) override { dx.Check(1056, p_.landscape); }

    private:
        PrinterSettings& p_;
    };
    DialogDecl decl;
    decl.caption = "Print Setup";
    decl.controls = {
        StaticControl("Printer: " + printer_.printerName),
        CheckControl(1056, "Landscape"),
        ButtonControl(kIdOk, "OK", true),
        ButtonControl(kIdCancel, "Cancel"),
    };
    SetupBox dialog(std::move(decl), printer_);
    std::size_t before = interactions_.size();
    bool ok = dialog.RunModal() == kIdOk;
    if (interactions_.size() > before) interactions_.back().kind = Interaction::Kind::PrintSetup;
    return ok;
}

void HeadlessUi::SetWaitCursor(bool on) {
    if (on == waitShown_) return;
    waitShown_ = on;
    ++waitChanges_;
}

void HeadlessUi::Record(std::string_view line, bool replacesLast) {
    if (replacesLast && !echoed_.empty()) {
        echoed_.back().assign(line);
        return;
    }
    if (echoed_.size() >= kEchoKeep) echoed_.erase(echoed_.begin(), echoed_.begin() + kEchoKeep / 2);
    echoed_.emplace_back(line);
}

void HeadlessUi::EchoLine(std::string_view line) { Echo(line, false); }

void HeadlessUi::EchoReplacedLine(std::string_view line) { Echo(line, true); }

void HeadlessUi::Echo(std::string_view line, bool replacesLast) {
    Record(line, replacesLast);
    if (!lines_) return;
    if (linesTerminal_) {
        // A new line ends the open one; a replacement goes back to its start and clears it.
        WriteLine(line, !lineOpen_ ? "" : replacesLast ? "\r\x1b[K" : "\n", "");
        lineOpen_ = true;
        return;
    }
    if (holding_ && !replacesLast) WriteLine(held_, "", "\n");
    held_.assign(line);
    holding_ = true;
}

void HeadlessUi::FinishOutput() {
    if (!lines_) return;
    if (lineOpen_) {
        std::fputc('\n', lines_);
        std::fflush(lines_);
        lineOpen_ = false;
    }
    if (holding_) {
        holding_ = false;
        WriteLine(held_, "", "\n");
    }
}

void HeadlessUi::WriteLine(std::string_view line, const char* before, const char* after) {
    std::string out = before;
    out += Utf8From1252(line);
    out += after;
    std::fwrite(out.data(), 1, out.size(), lines_);
    std::fflush(lines_);
}

}  // namespace platform

#include "platform/HeadlessDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>
#include <fstream>

#include "platform/App.h"
#include "platform/Dialog.h"
#include "platform/Frame.h"
#include "platform/HeadlessDC.h"
#include "platform/HeadlessUi.h"
#include "platform/Text1252.h"
#include "platform/View.h"

namespace platform {
namespace {

// The texts a view draws when painted whole, in device units.
std::vector<DrawRecord> PaintWhole(HeadlessUi& ui, View& view) {
    const Rect client = ui.ViewClientRect(view);
    auto dc = HeadlessDC::Screen({client.right - client.left, client.bottom - client.top});
    view.Invalidate();
    view.Paint(dc);
    std::vector<DrawRecord> texts;
    const Point origin = dc.ViewportOrigin();
    for (DrawRecord r : dc.Pages().front().records) {
        if (r.kind != DrawRecord::Kind::Text) continue;
        r.rect = {r.rect.left + origin.x, r.rect.top + origin.y, r.rect.right + origin.x, r.rect.bottom + origin.y};
        texts.push_back(std::move(r));
    }
    return texts;
}

// The menu entry whose path ("File/Print...") matches, markers and case ignored.
unsigned FindMenuPath(const std::vector<MenuItem>& items, const std::string& path) {
    const std::size_t slash = path.find('/');
    const std::string head = ControlLabelKey(path.substr(0, slash));
    for (const MenuItem& item : items) {
        if (ControlLabelKey(item.text) != head && ControlLabelKey(item.text.substr(0, item.text.find('\t'))) != head)
            continue;
        if (slash == std::string::npos) return item.id;
        if (unsigned id = FindMenuPath(item.items, path.substr(slash + 1))) return id;
    }
    return 0;
}

}  // namespace

void HeadlessDriver::RunNext(App& app) {
    if (!HasWork()) return;
    const DriverStatement& s = script_.Next();
    if (s.verb == "shot") {
        Shot(app, s);
    } else if (s.verb == "command") {
        Command(app, s);
    } else if (s.verb == "key") {
        Key key;
        if (!ParseKeyName(s.args[0], key)) return DriverFail(s, "unknown key '" + s.args[0] + "'");
        Frame* frame = app.MainFrame();
        if (!frame || !frame->HandleKey(key)) DriverFail(s, "the key was not used");
    } else if (s.verb == "click") {
        Click(app, s);
    } else if (s.verb == "clipboard") {
        std::ofstream out(s.args[0], std::ios::binary);
        if (!out) return DriverFail(s, "cannot write " + s.args[0]);
        out << Utf8From1252(ui_.GetClipboard().GetText().value_or(""));
    } else if (s.verb == "wait") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, std::atoi(s.args[0].c_str()))));
    } else if (s.verb == "close") {
        if (Frame* frame = app.MainFrame()) frame->OnClose();
        else DriverFail(s, "no main window");
    }
}

void HeadlessDriver::Shot(App& app, const DriverStatement& s) {
    const std::string path = DriverShotPath(s.args[0] + ".txt");
    if (path.empty()) return DriverFail(s, "no SUITE_QT_SHOTS folder");
    // Every view of the main window, as the Qt backend's shot lists them: the main frame's own,
    // then those of each child window in the order they were opened.
    std::vector<View*> views;
    if (Frame* main = app.MainFrame()) {
        for (const auto& v : main->OwnedViews()) views.push_back(v.get());
        for (Frame* child : main->Children()) {
            for (const auto& v : child->OwnedViews()) views.push_back(v.get());
        }
    }
    std::string listing;
    for (View* view : views) {
        for (const DrawRecord& t : PaintWhole(ui_, *view)) {
            listing += std::to_string(t.rect.left) + " " + std::to_string(t.rect.top) + " " +
                       std::to_string(t.rect.right - t.rect.left) + " " + std::to_string(t.rect.bottom - t.rect.top) +
                       "\t" + Utf8From1252(t.text) + "\n";
        }
    }
    std::ofstream out(path, std::ios::binary);
    if (!out) return DriverFail(s, "cannot write " + path);
    out << listing;
}

void HeadlessDriver::Command(App& app, const DriverStatement& s) {
    const std::string& what = s.args[0];
    char* end = nullptr;
    unsigned long id = std::strtoul(what.c_str(), &end, 10);
    if (!(end && *end == '\0' && !what.empty())) {
        id = app.MainFrame() ? FindMenuPath(app.MainFrame()->Menu(), what) : 0;
        if (id == 0) return DriverFail(s, "no command '" + what + "' in the menus");
    }
    CommandState state;
    state.id = static_cast<unsigned>(id);
    if (app.RouteQuery(state) && !state.enabled) return DriverFail(s, "command '" + what + "' is disabled");
    if (!app.RouteCommand(static_cast<unsigned>(id))) DriverFail(s, "command '" + what + "' was not handled");
}

void HeadlessDriver::Click(App& app, const DriverStatement& s) {
    View* view = app.ActiveView();
    if (!view) return DriverFail(s, "no view");
    unsigned flags = kMouseLeft;
    for (std::size_t i = 1; i < s.args.size(); ++i) {
        std::string m = ControlLabelKey(s.args[i]);
        if (m == "shift") flags |= kMouseShift;
        else if (m == "ctrl") flags |= kMouseCtrl;
        else return DriverFail(s, "unknown modifier '" + s.args[i] + "'");
    }
    std::string wanted;
    if (!Utf8To1252(s.args[0], wanted)) wanted = s.args[0];
    for (const DrawRecord& t : PaintWhole(ui_, *view)) {
        if (t.text.find(wanted) == std::string::npos) continue;
        const Point at{t.rect.left + 2, (t.rect.top + t.rect.bottom) / 2};
        view->OnLButtonDown(flags, at);
        view->OnLButtonUp(flags & ~kMouseLeft, at);
        return;
    }
    DriverFail(s, "no text '" + s.args[0] + "' in the view");
}

}  // namespace platform

#include "manager/GpxReader.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/Angle.h"
#include "common/CLocale.h"
#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "common/XmlText.h"
#include "manager/ImportRecords.h"
#include "manager/SymbolTable.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t kScannedText = 63;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A position from the attributes of a start tag.
struct GpxPosition {
    bool valid = false;
    int32_t latitude = 0, longitude = 0;
};

bool ParseDegrees(std::string_view value, double limit, double& degrees) {
    while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsSpace(value.back())) value.remove_suffix(1);
    if (value.empty() || ParseDoubleC(value, &degrees) != value.size()) return false;
    return degrees >= -limit && degrees <= limit;
}

// Scans the text of one document.
class GpxScan {
public:
    explicit GpxScan(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ >= text_.size(); }
    // Moves to the next '<'; false when none is left.
    bool NextTag() {
        const size_t next = text_.find('<', at_);
        at_ = next == std::string_view::npos ? text_.size() : next;
        return !AtEnd();
    }
    bool Matches(std::string_view tag) const { return text_.compare(at_, tag.size(), tag) == 0; }
    // A start tag "<name" followed by a blank, '>' or '/'.
    bool MatchesStart(std::string_view name) const {
        if (!Matches(name)) return false;
        const size_t after = at_ + name.size();
        return after < text_.size() && (IsSpace(text_[after]) || text_[after] == '>' || text_[after] == '/');
    }
    void Skip(size_t count) { at_ += count; }
    void SkipChar() { ++at_; }

    // Reads the start tag here up to its '>' (quoted values may hold '>'), with the position of
    // its lat and lon attributes. False when the tag does not end.
    bool ReadStartTag(GpxPosition& position, bool& empty) {
        bool haveLat = false, haveLon = false, ok = true;
        double lat = 0, lon = 0;
        size_t i = at_ + 1;
        while (i < text_.size() && !IsSpace(text_[i]) && text_[i] != '>' && text_[i] != '/') ++i;
        for (;;) {
            while (i < text_.size() && IsSpace(text_[i])) ++i;
            if (i >= text_.size()) return false;
            if (text_[i] == '>' || text_[i] == '/') break;
            const size_t nameStart = i;
            while (i < text_.size() && !IsSpace(text_[i]) && text_[i] != '=' && text_[i] != '>') ++i;
            const std::string_view name = text_.substr(nameStart, i - nameStart);
            while (i < text_.size() && IsSpace(text_[i])) ++i;
            if (i >= text_.size()) return false;
            if (text_[i] != '=') {
                ok = false;
                continue;
            }
            ++i;
            while (i < text_.size() && IsSpace(text_[i])) ++i;
            if (i >= text_.size()) return false;
            const char quote = text_[i];
            if (quote != '"' && quote != '\'') {
                ok = false;
                continue;
            }
            const size_t close = text_.find(quote, i + 1);
            if (close == std::string_view::npos) return false;
            const std::string_view value = text_.substr(i + 1, close - i - 1);
            i = close + 1;
            if (name == "lat") haveLat = ParseDegrees(XmlTextTo1252(value), 90.0, lat);
            else if (name == "lon") haveLon = ParseDegrees(XmlTextTo1252(value), 180.0, lon);
        }
        empty = text_[i] == '/';
        const size_t end = text_.find('>', i);
        if (end == std::string_view::npos) return false;
        at_ = end + 1;
        position.valid = ok && haveLat && haveLon;
        if (position.valid) {
            position.latitude = DegreesToCircle(lat, 26);
            position.longitude = DegreesToCircle(lon, 26);
        }
        return true;
    }

    // The text of the element whose start tag `open` stands here, up to `close`, decoded and cut to
    // 63 characters; false when the closing tag is missing.
    bool ReadElement(std::string_view open, std::string_view close, std::string& out) {
        const size_t from = at_ + open.size();
        const size_t end = text_.find(close, from);
        if (end == std::string_view::npos) return false;
        out = XmlTextTo1252(text_.substr(from, end - from)).substr(0, kScannedText);
        at_ = end + close.size();
        return true;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

void ReportGpxPointsLeftOut(int count) {
    if (count == 0) return;
    char text[64];
    std::snprintf(text, sizeof text, "%d GPX points had no valid position", count);
    platform::ShowMessage(text);
}

int ReadGpxWaypoints(std::string_view text, dfUSR& usr, int32_t& highest, uint32_t now) {
    GpxScan scan(text);
    int leftOut = 0;
    bool inPoint = false;
    GpxPosition position;
    std::string name, desc, sym;
    while (scan.NextTag()) {
        if (scan.MatchesStart("<wpt")) {
            bool empty = false;
            if (!scan.ReadStartTag(position, empty)) break;
            inPoint = !empty;
            if (empty && !position.valid) ++leftOut;
            name.clear();
            desc.clear();
            sym.clear();
        } else if (scan.Matches("<name>")) {
            if (!scan.ReadElement("<name>", "</name>", name)) break;
        } else if (scan.Matches("<desc>")) {
            if (!scan.ReadElement("<desc>", "</desc>", desc)) break;
        } else if (scan.Matches("<sym>")) {
            if (!scan.ReadElement("<sym>", "</sym>", sym)) break;
        } else if (scan.Matches("</wpt>")) {
            scan.Skip(6);
            if (!inPoint) continue;
            inPoint = false;
            const std::string ident = ImportText(name, 7);
            if (!position.valid) {
                ++leftOut;
                continue;
            }
            if (ident.empty()) continue;
            StoreUserWaypoint(usr, ident, position.latitude, position.longitude, now, ImportText(desc, 31),
                              SymbolCodeFromName(sym.c_str()) | 4, false, highest);
        } else {
            scan.SkipChar();
        }
    }
    return leftOut;
}

int ReadGpxRoutes(std::string_view text, dfRTE& rte, int32_t& highest, ImportRouteNumbers& numbers) {
    GpxScan scan(text);
    int leftOut = 0;
    bool inRoute = false, titled = false, inPoint = false;
    int route = -1, order = 0;
    GpxPosition position;
    std::string name;
    RouteLegStart leg;
    auto insert = [&](const char* failure) { InsertRouteRecord(rte, route, highest, failure, leg); };
    // The route's title record; false when no route number is left.
    auto title = [&](const std::string& text) {
        titled = true;
        route = numbers.NewRoute();
        if (route < 0) return false;
        rte.Clear();
        SetField(rte.rtname1, text);
        rte.rtorder = 0;
        insert("Insert RTE name record 0x%x failed");
        order = 0;
        return true;
    };
    auto point = [&] {
        inPoint = false;
        if (!position.valid) {
            ++leftOut;
            return;
        }
        if (order >= kImportedRouteOrders) return;
        rte.Clear();
        rte.rtorder = ++order;
        SetField(rte.rtident, ImportText(name, 7));
        rte.rtlat = position.latitude;
        rte.rtlong = position.longitude;
        rte.rttype = 4;
        insert("Insert RTE wpt 0x%x failed");
    };
    while (scan.NextTag()) {
        if (scan.Matches("<rte>")) {
            scan.Skip(5);
            inRoute = true;
            titled = inPoint = false;
            name.clear();
        } else if (scan.Matches("<name>")) {
            if (!scan.ReadElement("<name>", "</name>", name)) break;
            if (inRoute && !titled && !inPoint && !title(name)) break;
        } else if (inRoute && scan.MatchesStart("<rtept")) {
            if (!titled && !title("")) break;
            bool empty = false;
            if (!scan.ReadStartTag(position, empty)) break;
            name.clear();
            inPoint = true;
            if (empty) point();
        } else if (scan.Matches("<gpxx:Subclass>")) {
            std::string ignored;
            if (!scan.ReadElement("<gpxx:Subclass>", "</gpxx:Subclass>", ignored)) break;
        } else if (scan.Matches("</rtept>")) {
            scan.Skip(8);
            if (inPoint) point();
        } else if (scan.Matches("</rte>")) {
            scan.Skip(6);
            inRoute = inPoint = false;
        } else {
            scan.SkipChar();
        }
    }
    return leftOut;
}

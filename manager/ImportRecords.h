// What the GAR and GPX importers share: storing a user waypoint by its ident, inserting route
// records, and the route numbers imported routes take.
#pragma once

#include <cstdint>
#include <string>

class dfUSR;
class dfRTE;

// Waypoints an imported route keeps (the route dialogs' and renumbering's limit).
constexpr int kImportedRouteOrders = 19;
// Route numbers imported routes take: 0 to this.
constexpr int kImportedRouteNumbers = 19;

// A user waypoint from a file. With `keepNewer`, a known ident whose stored time word is at least
// the incoming one (when that is not 0) is left as it is. Otherwise a known ident is amended
// ("Amend USR 0x%x failed") and a new one inserted as record highest + 1 ("Insert USR failed").
// The user-waypoint file is open.
void StoreUserWaypoint(dfUSR& usr, const std::string& ident, int32_t latitude, int32_t longitude, uint32_t time,
                       const std::string& name, uint32_t icon, bool keepNewer, int32_t& highest);

// An ident or text from a file cut to `length` characters, trailing blanks cut.
std::string ImportText(const std::string& text, size_t length);

// Copies a text into a record field, zero-padded.
template <size_t N>
void SetField(char (&field)[N], const std::string& text) {
    const size_t length = text.size() < N - 1 ? text.size() : N - 1;
    for (size_t i = 0; i < N; ++i) field[i] = i < length ? text[i] : '\0';
}

// Route numbers for imported routes. A new route takes one above the last new one (at first the
// highest route number in the file) while that is free and at most kImportedRouteNumbers, else
// the lowest free number; -1 after "No free route number for an imported route".
class ImportRouteNumbers {
public:
    // The route file is open.
    explicit ImportRouteNumbers(dfRTE& rte);
    int NewRoute();
    // A route numbered by its file (formats 1-5): that number when it is one imported routes take
    // and not already given to a new route of this file, else a new route. `replace` tells
    // whether the route of that number in the database is to be replaced.
    int GivenRoute(int number, bool& replace);
    int Highest() const { return highest_; }

private:
    bool used_[kImportedRouteNumbers + 1] = {};
    bool madeNew_[kImportedRouteNumbers + 1] = {};
    int next_ = 0;
    int highest_ = 0;
};

// Where the leg to a route's next point starts: the point inserted before it.
struct RouteLegStart {
    int32_t latitude = 0, longitude = 0;
};

// Inserts the record the route file holds as record highest + 1 of `route`; on failure the
// message `failure` with the record's number ("Insert RTE wpt 0x%x failed"). A point (order 1
// and up) gets its leg as the renumbering gives it (none for order 1, else from `leg`), so that
// the renumbering after the import finds it in place.
void InsertRouteRecord(dfRTE& rte, int route, int32_t& highest, const char* failure, RouteLegStart& leg);

// Erases every record of a route (route file open).
void EraseRoute(dfRTE& rte, int number);

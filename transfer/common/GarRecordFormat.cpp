#include "transfer/common/GarRecordFormat.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "common/CLocale.h"
#include "transfer/common/GarTables.h"

namespace {

// At most width characters of the text (the line's blanks stand for the padding).
std::string_view Fitted(std::string_view text, size_t width) { return text.substr(0, width); }

// "%4d:" at the line's start.
void PutNumberColon(GarLine& line, int number) { line.PutString(":", line.PutInt(number, 0, 4)); }

}  // namespace

void FormatWaypointOld(GarLine& line, int subLine, int number) {
    const GarRecord& r = line.Record();
    const int cls = r.Reaches(123) ? r.data[123] : kClassUsr;
    switch (subLine) {
        case 1: {
            int column = line.PutInt(number, line.PutString("Waypoint ", 0));
            column = line.PutString(" (", column);
            line.PutString(")", line.PutString(WaypointClassName(cls, false), column));
            break;
        }
        case 2:
            line.PutText(0, 5, 0);
            line.PutLatLon(6, 9, 8, true);
            if (cls != kClassInt) {
                if (cls == kClassUsr) {
                    line.PutText(18, 37, 22);
                } else {
                    line.PutText(62, 91, 22);
                }
            }
            if (r.id == kGarProximity) {
                line.PutDistance(58, 61, 55);
            } else {
                line.PutSymbol(124, 126, 55);
            }
            break;
        case 3: {
            line.PutLatLon(10, 13, 8, false);
            if (cls != kClassInt && cls != kClassUsr) line.PutText(92, 117, 22);
            int column = 55;
            if (cls == kClassUsr) {
                line.PutTime(14, 17, column);
                break;
            }
            if (cls == 0 && r.Reaches(119)) {
                column = line.PutString("Height:", column);
                column = line.PutAltitude(118, 119, column);
            }
            if (r.Reaches(122)) {
                if (cls == 0) column = line.PutString(", ", column);
                column = line.PutString("Country:", column);
                line.PutText(120, 122, column);
            }
            break;
        }
        default:
            break;
    }
}

void FormatWaypoint(GarLine& line, int subLine, int number) {
    if (subLine < 1 || subLine > 3) return;
    const GarRecord& r = line.Record();
    const NewerWaypointLayout w = NewerWaypointLayoutOf(r);
    const int layout = w.layout, cls = w.waypointClass;
    int position = w.strings;
    const std::string_view ident = r.StringAt(position);
    if (subLine == 1) {
        int column = line.PutInt(number, line.PutString("Waypoint ", 0));
        column = line.PutString(" (", column);
        column = line.PutString(WaypointClassName(cls, true), column);
        line.PutString(ident, line.PutString(")     ", column));
        return;
    }
    const std::string_view comment = Fitted(r.StringAt(position), 50);
    const std::string_view facility = Fitted(r.StringAt(position), 30);
    const std::string_view cityName = r.StringAt(position);

    switch (subLine) {
        case 2:
            line.PutLatLon(24, 27, 8, true);
            if (cls == kClassUsr) {
                line.PutString(comment.substr(0, 32), 22);
            } else if (cls != kClassInt) {
                line.PutString(facility, 22);
            }
            if (r.id == kGarProximity) {
                line.PutDistance(40, 43, 55);
            } else {
                line.PutSymbol(4, 2, 55);
            }
            break;
        case 3: {
            line.PutLatLon(28, 31, 8, false);
            if (cls != kClassInt && cls != kClassUsr) {
                // The city, with the state's two characters after it, in 24 columns.
                constexpr size_t kCityWidth = 24;
                const std::string_view city = Fitted(cityName, kCityWidth);
                const int column = line.PutString(city, 22);
                if (r.Reaches(45) && std::isalnum(r.data[44])) {
                    const char state[] = {' ', '(', static_cast<char>(r.data[44]), static_cast<char>(r.data[45]), ')'};
                    line.PutString(Fitted(std::string_view(state, sizeof state), kCityWidth - city.size()), column);
                }
            }
            int column = 55;
            if (r.Reaches(35) && r.F32(32) != 1.0e25f) {
                column = line.PutString("Height:", column);
                column = line.PutAltitude(32, 35, column);
                column = line.PutString(", ", column);
            }
            if (cls != kClassUsr) {
                column = line.PutString("Country:", column);
                line.PutText(46, 47, column);
            } else if (layout == 0x80) {
                line.PutTime(56, 59, column);
            }
            break;
        }
        default:
            break;
    }
}

void FormatRouteHeader(GarLine& line, int subLine) {
    if (subLine != 3) return;
    const GarRecord& r = line.Record();
    int position = line.Newer() ? 0 : 1;
    if (line.Newer()) {
        line.PutString(r.StringAt(position), line.PutString("Route: ", 0));
        return;
    }
    std::string text = StringFormatC("Route Number %d ", r.Byte(0));
    if (r.size > 1) text += r.StringAt(position);
    line.PutString(text, 0);
}

void FormatTrackPointOld(GarLine& line, int number) {
    const GarRecord& r = line.Record();
    PutNumberColon(line, number);
    line.PutLatLon(0, 3, 7, true);
    line.PutLatLon(4, 7, 20, false);
    line.PutTime(8, 11, 34);
    if (r.Byte(12) != 0) line.PutString("Start", 56);
}

void FormatTrackPoint(GarLine& line, int number) {
    const GarRecord& r = line.Record();
    PutNumberColon(line, number);
    line.PutLatLon(0, 3, 7, true);
    line.PutLatLon(4, 7, 20, false);
    line.PutAltitude(12, 15, 34);
    line.PutTime(8, 11, 46);
    if (r.Byte(20) != 0) line.PutString("Start", 68);
}

void FormatTrackHeader(GarLine& line, int number) {
    int position = 2;
    const std::string text(line.Record().StringAt(position));
    line.PutString(StringFormatC("%4d:  %s", number, text.c_str()), 0);
}

void FormatHexRecord(GarLine& line, int subLine, int number) {
    const GarRecord& r = line.Record();
    if (subLine == 0) line.PutString(StringFormatC("%4d:  ", number), 0);
    int column = 7;
    for (int i = 24 * subLine; i < 24 * subLine + 24 && r.Reaches(i); ++i) {
        line.PutHexBytes(r.data[i], column);
        column += 3;
    }
}

void FormatGarRecord(GarLine& line, int subLine, int number) {
    const bool newer = line.Newer();
    switch (line.Record().id) {
        case kGarProximity:
        case kGarRouteWaypoint:
        case kGarUserWaypoint:
            newer ? FormatWaypoint(line, subLine, number) : FormatWaypointOld(line, subLine, number);
            break;
        case kGarRouteHeader:
            FormatRouteHeader(line, subLine);
            break;
        case kGarTrackPoint:
            newer ? FormatTrackPoint(line, number) : FormatTrackPointOld(line, number);
            break;
        case kGarTrackHeader:
            FormatTrackHeader(line, number);
            break;
        default:
            FormatHexRecord(line, subLine, number);
            break;
    }
}

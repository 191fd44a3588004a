#include "manager/CKestraneRwyDlg.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "common/GreatCircle.h"
#include "common/LatLonText.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "platform/MessageBox.h"

namespace {

using Self = CKestraneRwyDlg;

std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

void Fail(const char* text) { platform::ShowMessage(text); }

int32_t SignExtend(uint32_t value, int bits) {
    const uint32_t m = 1u << (bits - 1);
    value &= (1u << bits) - 1;
    return static_cast<int32_t>((value ^ m) - m);
}

std::string Coordinate(int32_t value, bool isLongitude) {
    char text[kLatLonTextSize];
    FormatLatLon(text, value, isLongitude, 1);
    return text;
}

// A threshold text: empty (false, counted nowhere), or its offset from the airport.
enum class Read { Empty, Ok, Format, Range };
Read ReadOffset(const std::string& typed, int32_t origin, bool isLongitude, int shift, int32_t limit, int32_t* out) {
    std::string t = TrimRight(typed);
    if (t.empty()) return Read::Empty;
    char text[40];
    std::snprintf(text, sizeof text, "%s", t.c_str());
    int32_t value = 0;
    if (ParseLatLon(text, &value, isLongitude, false) != 0) return Read::Format;
    const int32_t offset =
        static_cast<int32_t>(static_cast<uint32_t>(origin) - static_cast<uint32_t>(value)) >> shift;
    if (offset < -limit || offset > limit) return Read::Range;
    *out = offset;
    return Read::Ok;
}

int32_t FromOffset(int32_t origin, int32_t offset, int shift) {
    return static_cast<int32_t>(static_cast<uint32_t>(origin) - (static_cast<uint32_t>(offset) << shift));
}

}  // namespace

CKestraneRwyDlg::CKestraneRwyDlg()
    : platform::Dialog(
          {kResourceId,
           "Add or Change an Airport Runway",
           {platform::ListBoxControl(kHeader, ""), platform::EditControl(kRunway, "Runway", 8),
            platform::EditControl(kLength, "Length", 6), platform::EditControl(kWidth, "Width", 6),
            platform::ListBoxControl(kSurface, "Surface",
                                     {"hard", "turf", "sealed", "gravel", "dirt", "soft", "unkwn", "water"}),
            platform::ListBoxControl(kLighting, "Lighting", {"no lts", "pc lts", "pt lts", "ft lts"}),
            platform::EditControl(kLatitude, "Runway Latitude", 20),
            platform::EditControl(kLongitude, "Runway Longitude", 20),
            platform::EditControl(kRecipLatitude, "Reciprocal Latitude", 20),
            platform::EditControl(kRecipLongitude, "Reciprocal Longitude", 20),
            platform::EditControl(kBearing, "True Bearing", 3),
            platform::DropListControl(kPattern, "R/W", {"L", "R", "N"}),
            platform::DropListControl(kRecip, "Recip", {"L", "R"}),
            platform::StaticControl("G90 and 92 only require bearing and the co-ordinates of the low end threshold. "
                                    "All other models require both thresholds, and the bearing is used to conrol the "
                                    "stripe on the icon."),
            platform::ButtonControl(platform::kIdOk, "OK", true), platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

bool CKestraneRwyDlg::OnInit() {
    AddString(kHeader, TrimRight(header));
    SetItemText(kRunway, runway);
    SetItemText(kLength, length);
    SetItemText(kWidth, width);
    SetCurSel(kSurface, surface);
    SetCurSel(kLighting, lighting);
    SetItemText(kLatitude, latitude);
    SetItemText(kLongitude, longitude);
    SetItemText(kRecipLatitude, recipLatitude);
    SetItemText(kRecipLongitude, recipLongitude);
    SetItemText(kBearing, bearing);
    SetCurSel(kPattern, pattern);
    SetCurSel(kRecip, recip);
    return true;
}

void CKestraneRwyDlg::OnOk() {
    runway = GetItemText(kRunway);
    length = GetItemText(kLength);
    width = GetItemText(kWidth);
    surface = GetCurSel(kSurface);
    lighting = GetCurSel(kLighting);
    latitude = GetItemText(kLatitude);
    longitude = GetItemText(kLongitude);
    recipLatitude = GetItemText(kRecipLatitude);
    recipLongitude = GetItemText(kRecipLongitude);
    bearing = GetItemText(kBearing);
    pattern = GetCurSel(kPattern);
    recip = GetCurSel(kRecip);
    if (!validate || validate()) End(platform::kIdOk);
}

int ParseRwWord(const std::string& typed, int32_t* out) {
    std::string text = TrimRight(typed);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const int number = std::atoi(text.c_str());
    const size_t dash = text.find('-');
    int recip = 0;
    if (dash != std::string::npos) {
        recip = std::atoi(text.c_str() + dash + 1);
    } else if (text.size() < 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
               !std::isdigit(static_cast<unsigned char>(text[1]))) {
        return 1;
    }
    // A reciprocal above 36 would reach the 'T' bit.
    if (number > 18 || number < 0 || (dash != std::string::npos && (recip < 19 || recip > 36))) return 1;
    int32_t value = number;
    const char third = text.size() > 2 ? text[2] : '\0';
    if (third == 'C') value += 32;
    else if (third == 'L') value += 64;
    else if (third == 'R') value += 96;
    else if (third != '\0' && third != ' ' && dash == std::string::npos) return 1;
    // The reciprocal is kept only when it is not the runway's own (as the batch update reads it).
    if (dash != std::string::npos && recip != value + 18) value |= 128 | ((recip - 18) << 8);
    if (value == 128) return 1;
    *out = value;
    return 0;
}

void FillRunwayDialog(CKestraneRwyDlg& d, const RunwayEntry& e, int32_t lat0, int32_t lon0) {
    d.runway = e.rw == 0 ? "00" : FormatRunwayNumber(e, false);
    if (e.rw != 0 && (e.rw & 128)) {
        const int r = (e.rw >> 8) & 31;
        d.runway += r == 0 ? "-.." : "-" + std::to_string(r + 18);
    }
    d.length = std::to_string(e.rlen);
    d.width = std::to_string(e.rwidth);
    char text[16];
    if (e.rflags >= 0) std::snprintf(text, sizeof text, "%03d", e.rflags & 255);
    else if (e.rpic != 0) std::snprintf(text, sizeof text, "%03d", (static_cast<uint32_t>(e.rpic) >> 23) & 0x1FF);
    else text[0] = '\0';
    d.bearing = text;
    d.surface = e.rsl & 7;
    d.lighting = (e.rsl >> 4) & 3;
    d.pattern = (e.rpic & 128) ? ((e.rpic & 64) ? 0 : 1) : 2;
    d.recip = (e.rpic & (1 << 30)) ? 0 : 1;
    if (e.rpicst == 0 && e.rpic == 0) return;
    const auto pic = static_cast<uint32_t>(e.rpic);
    const auto st = static_cast<uint32_t>(e.rpicst);
    int32_t dLat, dLon, rLat = 0, rLon = 0;
    int shift = 11;
    bool reciprocal = true;
    if (e.rflags < 0) {
        dLat = SignExtend(pic, 11);
        dLon = SignExtend(pic >> 11, 12);
        reciprocal = false;
    } else if (e.rpicfl >= 0) {
        shift = 7;
        dLat = e.rnpic >> 16;
        dLon = static_cast<int16_t>(e.rnpic & 0xFFFF);
        rLat = e.rnpic2 >> 16;
        rLon = static_cast<int16_t>(e.rnpic2 & 0xFFFF);
    } else {
        dLat = SignExtend(((st >> 11) & 31) | ((pic & 63) << 5), 11);
        dLon = SignExtend(st, 11);
        rLat = SignExtend(pic >> 19, 11);
        rLon = SignExtend(pic >> 8, 11);
    }
    d.latitude = Coordinate(FromOffset(lat0, dLat, shift), false);
    d.longitude = Coordinate(FromOffset(lon0, dLon, shift), true);
    if (reciprocal) {
        d.recipLatitude = Coordinate(FromOffset(lat0, rLat, shift), false);
        d.recipLongitude = Coordinate(FromOffset(lon0, rLon, shift), true);
    }
}

bool ValidateRunway(CKestraneRwyDlg& d, int32_t lat0, int32_t lon0, bool warn) {
    dfRWY3& r = *KestraneDb().rwy3;
    const bool legacy = Manager().Legacy();
    if (d.surface < 0 || d.surface > 7) {
        Fail("You must choose one of the 8 surface types");
        return false;
    }
    if (d.lighting < 0 || d.lighting > 3) {
        Fail("You must choose one of the 4 lighting types");
        return false;
    }
    int32_t rw = 0;
    if (ParseRwWord(d.runway, &rw) != 0) {
        Fail("Runway must be two digits (00-18), optionally followed by R, L, or C");
        return false;
    }
    auto digits = [](const std::string& t) {
        const std::string s = TrimRight(t);
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(d.length)) {
        Fail("Only digits allowed in Length field");
        return false;
    }
    const long length = std::atol(d.length.c_str());
    if (rw != 0 && length < 100) {
        Fail("Runway length must be > 100");
        return false;
    }
    if (legacy && length % 100 != 0) {
        Fail("Runway length must be a multiple of 100");
        return false;
    }
    if (!digits(d.width)) {
        Fail("Only digits allowed in Width field");
        return false;
    }
    const long width = rw == 0 ? 0 : std::atol(d.width.c_str());
    if (legacy && width % 5 != 0) {
        Fail("Runway width must be a multiple of 5");
        return false;
    }
    int32_t bearing = -1;
    const std::string b = TrimRight(d.bearing);
    if (!b.empty() && b.find_first_not_of("0123456789") == std::string::npos) {
        bearing = std::atoi(b.c_str());
        if (bearing > 185) {
            Fail("Bearing is max 185 degrees");
            return false;
        }
    }
    const int shift = legacy ? 11 : 7;
    const int32_t limit = legacy ? 1023 : 32767;
    int32_t dLat = 0, dLon = 0, rLat = 0, rLon = 0;
    int runwayCount = 0, recipCount = 0;
    const struct {
        const std::string& text;
        int32_t origin;
        bool isLongitude;
        int32_t* out;
        int* count;
        const char* format;
        const char* range;
    } fields[] = {
        {d.latitude, lat0, false, &dLat, &runwayCount, "Error in format of Runway Latitude", "Runway Latitude out of range"},
        {d.longitude, lon0, true, &dLon, &runwayCount, "Error in format of Runway Longitude", "Runway Longitude out of range"},
        {d.recipLatitude, lat0, false, &rLat, &recipCount, "Error in format of Reciprocal Latitude",
         "Reciprocal Latitude out of range"},
        {d.recipLongitude, lon0, true, &rLon, &recipCount, "Error in format of Reciprocal Longitude",
         "Reciprocal Longitude out of range"},
    };
    for (const auto& f : fields) {
        const Read result = ReadOffset(f.text, f.origin, f.isLongitude, shift, limit, f.out);
        if (result == Read::Format) {
            Fail(f.format);
            return false;
        }
        if (result == Read::Range) {
            Fail(f.range);
            return false;
        }
        if (result == Read::Ok) ++*f.count;
    }
    if (runwayCount % 2) {
        Fail("Only one Runway co-ordinate entered");
        return false;
    }
    if (recipCount % 2) {
        Fail("Only one Reciprocal co-ordinate entered");
        return false;
    }
    if ((runwayCount || recipCount) && bearing < 0) {
        Fail("Bearing required if thresholds given");
        return false;
    }
    if (recipCount && !runwayCount) {
        Fail("Runway threshold required if reciprocal entered");
        return false;
    }
    if (runwayCount && recipCount) {
        if (warn) {
            int32_t between = 0;
            const int32_t feet = GreatCircleDistBearing(FromOffset(lat0, dLat, shift), FromOffset(lon0, dLon, shift),
                                                        FromOffset(lat0, rLat, shift), FromOffset(lon0, rLon, shift),
                                                        &between);
            char text[128];
            if (std::labs(feet - length) > 300) {
                std::snprintf(text, sizeof text, "WARNING: Distance between thresholds is %ld feet, length is set to %d",
                              static_cast<long>(feet), static_cast<int>(length));
                platform::ShowMessage(text);
            }
            if (std::abs(between - bearing) > 10) {
                std::snprintf(text, sizeof text, "WARNING: Bearing between thresholds is %d degrees, true bearing is set to %d",
                              between, bearing);
                platform::ShowMessage(text);
            }
        }
    } else if (!legacy && runwayCount) {
        Fail("Both thresholds required");
        return false;
    }

    r.rw = rw;
    r.rlen = static_cast<int32_t>(length);
    r.rwidth = static_cast<int32_t>(width);
    r.rsl = d.lighting * 16 | d.surface;
    r.rpicst = 0;
    r.rpic = 0;
    r.rnpic = 0;
    r.rnpic2 = 0;
    if (bearing >= 0) {
        if (legacy) {
            r.rpicfl = static_cast<int32_t>(0xF0000000u);
            if (runwayCount && recipCount) {
                r.rpicst = ((dLat & 31) << 11) | (dLon & 0x7FF);
                r.rpic = static_cast<int32_t>(((static_cast<uint32_t>(rLat & 0x7FF) << 11 | (rLon & 0x7FF)) << 8) |
                                              ((dLat >> 5) & 63));
                if (d.pattern != 2) {
                    uint32_t p = static_cast<uint32_t>(r.rpic) | 0x80000080u;
                    if (d.pattern == 0) p |= 64;
                    if (d.recip == 0) p |= 1u << 30;
                    r.rpic = static_cast<int32_t>(p);
                }
            } else if (runwayCount) {
                r.rpic = static_cast<int32_t>(((static_cast<uint32_t>(dLon & 0xFFF) | static_cast<uint32_t>(bearing) << 12)
                                               << 11) |
                                              static_cast<uint32_t>(dLat & 0x7FF));
                bearing = -1;
            }
        } else {
            r.rpicfl = 0;
            if (runwayCount) {
                r.rnpic = static_cast<int32_t>((static_cast<uint32_t>(dLon) & 0xFFFF) | static_cast<uint32_t>(dLat) << 16);
                r.rnpic2 = static_cast<int32_t>((static_cast<uint32_t>(rLon) & 0xFFFF) | static_cast<uint32_t>(rLat) << 16);
                if (d.pattern == 0) r.rpicfl |= 1;
                if (d.recip == 0) r.rpicfl |= 2;
                const auto np = static_cast<uint32_t>(r.rnpic);
                const auto np2 = static_cast<uint32_t>(r.rnpic2);
                const uint32_t a = (np >> 9) & 0x3FF800;
                r.rpicst = static_cast<int32_t>((((np >> 4) & 0x7FF) + a) & 0xFFFF);
                uint32_t p = (a >> 16) | ((np2 >> 1) & 0x3FF80000) | ((np2 & 0x7FF0) << 4) | 0x80000080u;
                if (r.rpicfl & 1) p |= 64;
                if (r.rpicfl & 2) p |= 1u << 30;
                r.rpic = static_cast<int32_t>(p);
            }
        }
    }
    r.rflags = bearing;
    // The batch update marks a runway with a picture in rsl bit 6.
    if (r.rpicst != 0 || r.rpic != 0) r.rsl |= 64;
    return true;
}

#include "genmodels/Batch89.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "gen/batch/BatchDatabase.h"

namespace {

constexpr int64_t kRoundUnit = 2048;
constexpr double kUnitsPerDegree = 8388608.0 / 45.0;  // 2^23 / 45, then x 64

}  // namespace

bool ParseBatchPosition89(std::string_view text, bool latitude, int32_t* angle) {
    std::string t(text);
    for (char& ch : t) {
        if (ch == '#' || ch == '\xB0') ch = '~';
    }
    char hemisphere = 0;
    int degrees = 0;
    double minutes = 0;
    if (std::sscanf(t.c_str(), "%c %d~%lf", &hemisphere, &degrees, &minutes) != 3) return false;
    const bool negative = hemisphere == (latitude ? 'S' : 'W');
    if (!negative && hemisphere != (latitude ? 'N' : 'E')) return false;
    if (degrees < 0 || minutes < 0 || degrees > (latitude ? 90 : 180)) return false;
    const auto units = static_cast<int64_t>((degrees + minutes / 60.0) * kUnitsPerDegree) * 64;
    const int64_t rounded = (units + kRoundUnit / 2) & ~(kRoundUnit - 1);
    const int64_t value = negative ? -rounded : rounded;
    if (value > INT32_MAX || value < INT32_MIN) return false;
    *angle = static_cast<int32_t>(value);
    return true;
}

int32_t BatchElevation89(int32_t feet) {
    const int32_t tens = feet / 10;
    const int32_t rest = feet % 10;
    return 10 * (tens + (rest >= 5 ? 1 : rest <= -5 ? -1 : 0));
}

int BatchAddApt89(BatchContext& c) {
    const BatchLine& l = c.line;
    if (l.Field(3).size() > 4) return kBatchErrF3;
    if (l.count < 9) return kBatchErrFc;
    int32_t lat = 0;
    int32_t lon = 0;
    if (!ParseBatchPosition89(l.Field(7), true, &lat)) return kBatchErrLat;
    if (!ParseBatchPosition89(l.Field(8), false, &lon)) return kBatchErrLng;
    const int result = BatchAddApt(c);
    if (result != kBatchDone && result != kBatchModified) return result;
    // The framework's record, with the family's position, elevation and no names.
    AptRecord rec{};
    rec.asno = c.session.CurrentAirport();
    dbif_index<AptRecord>("asno");
    if (!dbif_find(rec) || rec.asno != c.session.CurrentAirport()) return result;
    rec.alat = lat;
    rec.along = lon;
    rec.aheight = BatchElevation89(rec.aheight);
    rec.afacil = rec.acity = -1;
    BatchUpdateRecord(rec, "APT", rec.asno);
    return result;
}

BatchHandlerTable BatchHandlers89() {
    const BatchHandlerTable& all = DefaultBatchHandlers();
    BatchHandlerTable t;
    t.resultTexts = all.resultTexts;
    t.add[kBatchApt] = BatchAddApt89;
    t.del[kBatchApt] = all.del[kBatchApt];
    for (int type : {kBatchVor, kBatchUsr}) {
        t.add[type] = all.add[type];
        t.del[type] = all.del[type];
    }
    return t;
}

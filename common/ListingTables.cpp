#include "common/ListingTables.h"

namespace {

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

const char* const kFrequencyTypes[16] = {"ATIS", "Taxi", "Clrnce", "Ground", "Tower", "Unicom",
                                         "Multi", "Other", "Dep", "App", "Arrivl", "Cls B",
                                         "TMA", "CTA", "Cls C", "TRSA"};

const char* const kSurfaces[8] = {"hard", "turf", "sealed", "gravel", "dirt", "soft", "unkwn", "water"};

const char* const kLighting[8] = {"no lts", "unkn1", "pc lts", "unkn3", "pt lts", "unkn5", "ft lts", "unkn7"};

const char* const kHeightLimits[6] = {"Surface", "MSL", "Notam", "Unknown", "Unlimited", "SeeChart"};

}  // namespace

const char* MonthAbbreviation(int month) { return (month >= 1 && month <= 12) ? kMonths[month - 1] : "???"; }

const char* FrequencyTypeName(int type) { return kFrequencyTypes[type & 15]; }

const char* RunwaySurfaceName(int surface) { return kSurfaces[surface & 7]; }

const char* RunwayLightingName(int lighting) { return kLighting[lighting & 7]; }

char RunwayLetter(int code) { return " CLR"[code & 3]; }

const char* NamedHeightLimit(int code) {
    return (code >= 233 && code <= 238) ? kHeightLimits[code - 233] : nullptr;
}

// The dialog of airports, intersections, NDBs and VORs ("Add or Change a Waypoint"), bound to
// the fields of the record held in the type's record-file object, and its validator.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Dialog.h"

// The record fields a dialog shows and sets; a null pointer is a field the type lacks.
struct WaypointBindings {
    char* ident = nullptr;  // 8 characters, digits stored as p-y
    int32_t* latitude = nullptr;
    int32_t* longitude = nullptr;
    int32_t* facility = nullptr;
    int32_t* city = nullptr;
    int32_t* country = nullptr;
    int32_t* height = nullptr;
    int32_t* fuel = nullptr;
    int32_t* utc = nullptr;
    int32_t* frequency = nullptr;  // the VOR's (hundredths of MHz) when dme or vorClass is bound
    int32_t* dme = nullptr;        // older form VOR
    int32_t* magVar = nullptr;     // 696 form VOR
    int32_t* vorClass = nullptr;   // 696 form VOR
    int32_t* flags = nullptr;      // NDB: bit 2 the 'L' mark
    int32_t* vrp = nullptr;        // intersection: bit 8
};

class CKestraneAdchDialog : public platform::Dialog {
public:
    static constexpr int kResourceId = 1008;
    static constexpr int kIdent = 1012, kLatitude = 1009, kLongitude = 1010, kFacility = 1015, kCity = 1017,
                         kCountry = 1023, kHeight = 1024, kFuel = 1025, kFreq = 1019, kVor = 1057, kPwr = 1058,
                         kMp = 1059, kWx = 1022, kDst = 1069, kMagVar = 1066, kUtc = 1067, kVrp = 1073;
    static constexpr int kChange = 128;

    CKestraneAdchDialog();
    bool OnInit() override;
    void OnOk() override;

    WaypointBindings bind;
    int mode = 0;         // bits 0-2 the longest ident, bit 7 change
    bool at = false;      // the city's '@' mark
    int fuelAtBit = 32;   // where the airport keeps the '@' mark
    bool olderForm = false;
    // Run on OK; the dialog ends only when it accepts.
    std::function<bool()> validate;

    // The texts the dialog shows when it (re)opens: kept from the user's last OK.
    struct Texts {
        std::string ident, latitude, longitude, facility, city, country, height, fuel, freq, magVar, utc;
        int vor = -1, pwr = -1, mp = 0;
        bool wx = false, dst = false, vrp = false;
    } texts;

private:
    std::vector<int32_t> countries_;
};

// Shows the bound values in the texts (change), or only the country (add).
void BindWaypointDialog(CKestraneAdchDialog& dialog, const WaypointBindings& bindings, bool change);
// The bindings of an intersection and a VOR held in their objects.
WaypointBindings IntersectionBindings(bool form696);
WaypointBindings VorBindings(bool form696);

// The validator: checks the texts in order, shows the first error and returns false; else
// stores every text into the bound fields.
bool ValidateWaypoint(CKestraneAdchDialog& dialog);
// Country text "NAME-ID": the country found or added; false when malformed.
bool ResolveCountryText(CKestraneAdchDialog& dialog);
// which 0 facility, 1 city: the name found or added; false when malformed.
bool ResolveNameText(CKestraneAdchDialog& dialog, int which);
// False when a record of the ident's type has the same ident and country.
bool CheckIdentCountryUnique(CKestraneAdchDialog& dialog);
// The older form's DME word from a class word.
int32_t RebuildDmeWord(int32_t classWord, int32_t oldDme, bool at);

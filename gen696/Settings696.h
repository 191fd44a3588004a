// What Tessily's command line sets for the whole run.
#pragma once

struct Settings696 {
    int areaCode = 0;         // -ATL 19, -AMR 17, -PAC 20; 0 none
    int keepHeaderDates = 0;  // -NCD
    int suaKind = 0;          // -SUAT: 32 + row, 64 + row; 0 every kind
    bool suaKindChosen = false;
    int invertFilters = 0;    // -X
    int maxBase = 0;          // feet, 0 none
};

// The one settings object of the program.
Settings696& TessilySettings();

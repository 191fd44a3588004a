#include "gen696/Words696.h"

const char* const kFrequencyTypes696[64] = {
    "ATIS",   "ASOS",   "AWOS",   "AWIS",   "AWIB",   "PreTax", "Clrnce", "Gate",   "Ramp",   "Ground", "Tower",
    "Unicom", "Multi",  "GndCom", "Info",   "Radio",  "FSS",    "Dep",    "App",    "Arrivl", "Cls B",  "Trminl",
    "TMA",    "CTA",    "Cls C",  "TRSA",   "Centre", "Contrl", "Heli",   "Radar",  "Airlft", "Direct", "Emergy",
    "Ops",    "PCL",    "R/CTAF", "M/CTAF", "U/CTAF", "F/CTAF", "T/CTAF", "MIL",    "AIR",    "Unkwn",  "Unkwn",
    "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",
    "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Unkwn",  "Other",  "ILS",
};
const char* const kSurfaces696[16] = {"unknwn", "hard",  "turf",  "sealed", "gravel", "dirt",  "soft",  "unkwn",
                                      "water",  "unkn9", "unknA", "unknB",  "unknC",  "unknD", "unknE", "unknF"};
const char* const kLights696[4] = {"no lts", "pc lts", "pt lts", "ft lts"};
const char* const kVorKinds696[8] = {"", "VOR", "DME", "TACAN", "VORDME", "VORTAC", "ILSDME", "unknown"};
const char* const kVorRanges696[4] = {"Low", "High", "Term", ""};

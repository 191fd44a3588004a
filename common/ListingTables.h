// Fixed text tables of the listings. Every lookup takes any value and never reads outside its table.
#pragma once

// "JAN" ... "DEC" for 1-12; "???" otherwise.
const char* MonthAbbreviation(int month);

// Frequency type by its low 4 bits: "ATIS", "Taxi", "Clrnce", ... "TRSA".
const char* FrequencyTypeName(int type);

// Runway surface by 3 bits: "hard", "turf", "sealed", "gravel", "dirt", "soft", "unkwn", "water".
const char* RunwaySurfaceName(int surface);

// Runway lighting by 3 bits: "no lts", "unkn1", "pc lts", "unkn3", "pt lts", "unkn5", "ft lts", "unkn7".
const char* RunwayLightingName(int lighting);

// Runway letter by its 2-bit code: ' ', 'C', 'L', 'R'.
char RunwayLetter(int code);

// Named height limit for the codes 233-238 ("Surface" ... "SeeChart"); nullptr for other codes.
const char* NamedHeightLimit(int code);

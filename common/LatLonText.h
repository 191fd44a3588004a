// Latitude and longitude texts of the database manager (list lines, dialogs, change journal).
#pragma once

#include <cstdint>

// Room for any FormatLatLon text, NUL included.
constexpr int kLatLonTextSize = 16;

// One coordinate in style 0 (decimal degrees), 1 (degrees and decimal minutes, the manager's
// notation), 2 (degrees and whole minutes), 3 (compact) or any other (minutes and seconds).
// out must hold kLatLonTextSize bytes.
void FormatLatLon(char* out, int32_t value, bool isLongitude, int style);

// Reads a coordinate typed as "N 51#30.5", "N51;30.5", "N 51\xB030.500" or "N513000" into circle
// units (26 significant bits with fullPrecision, else 25). The text is changed in place (the
// minute mark becomes '~', the text is cut after its last visible character). 0 accepted,
// 1 refused (out then unchanged).
int ParseLatLon(char* text, int32_t* out, bool isLongitude, bool fullPrecision);

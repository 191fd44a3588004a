// Waypoints, routes and tracks of a unit reached as a drive, exchanged as GPX files in its
// "GPX" folder: read out of "Current.gpx", written as "Temp.gpx" (or "Temp1.gpx", ...) for the
// unit to take in.
#pragma once

#include <string>

// The element of a GPX file that a database is: 1 waypoints, 2 routes, 5 tracks.
struct GpxElement {
    const char* start;  // "<wpt lat"
    const char* end;    // "</wpt>"
    const char* name;   // "USR Waypoints", in messages
};
// Null for a database that has no GPX element.
const GpxElement* GpxElementOf(int database);

// The unit's Current.gpx reduced to its head (through "</metadata>") and the chosen elements,
// closed by "</gpx>"; false with the message when it cannot be had.
bool ExtractGpxElements(const std::string& current, const GpxElement& element, std::string& out, std::string& error);

// Reads `current` and writes what ExtractGpxElements gives into `output` (replaced whole).
bool ReadDriveGpx(const std::string& current, const GpxElement& element, const std::string& output,
                  std::string& error);

// Writes the GPX file `input` into `folder` beside its Current.gpx: the temporaries there that
// are older than Current.gpx are deleted first, then the file takes the first free name of
// "Temp.gpx", "Temp1.gpx", ...; the name written in `written`.
bool WriteDriveGpx(const std::string& folder, const GpxElement& element, const std::string& input,
                   std::string& written, std::string& error);

// User waypoints and routes to and from GAR files, between the record files (open) and the
// file's bytes; no window is involved.
#pragma once

#include <cstdint>
#include <string>

#include "manager/GarFile.h"

class dfUSR;
class dfRTE;
class ImportRouteNumbers;

// A GAR file of the user waypoints in ident order, or of the one numbered `onlyNumber` when that
// is not 0. False after "Too many records for one file".
bool ExportUsrGar(dfUSR& usr, int format, uint16_t productId, int32_t onlyNumber, std::string& bytes);
// A GAR file of routes 0-29, each as its header (the title record's title, empty without one),
// then its waypoints in order, linked in formats 6-9.
bool ExportRteGar(dfRTE& rte, int format, uint16_t productId, std::string& bytes);

// Reads the packets before the first record and checks that the file holds user waypoints
// (packet 35) or routes (29); false after the reader's message or "File Type is not USR
// Waypoints, or file is empty" / "File Type is not Routes, or file is empty".
bool StartGarImport(GarReader& reader, GarPacket& packet, GarHeader& header, bool routes);
// The user waypoints from the first record packet on, until a packet of another id or the end.
// A known ident with a time word at least the incoming one is left as it is.
void ImportUsrGar(GarReader& reader, GarPacket& packet, GarHeader& header, dfUSR& usr, int32_t& highest);
// The routes until transfer complete, a failed read or the end. Formats 1-5 replace the route of
// their number; other routes are new (see ImportRouteNumbers). Waypoints past order 19 are left
// out. The routes still need renumbering.
void ImportRteGar(GarReader& reader, GarPacket& packet, GarHeader& header, dfRTE& rte, int32_t& highest,
                  ImportRouteNumbers& numbers);

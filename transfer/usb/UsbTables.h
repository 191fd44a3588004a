// The USB program's tables: unit model names, the eight databases of the setup dialog, the
// memory region names, the engine's state names and the drive file table.
#pragma once

#include "transfer/common/CardFile.h"

// Model name table: the name of a product id ("UNKNOWN" when not listed), and the id of a
// name (0 when not listed).
const char* UsbModelName(int productId);
int UsbModelId(const char* name);
struct UsbModelRow {
    const char* name;
    int productId;
};
extern const UsbModelRow ProductNameTable[];
extern const int kUsbModelRows;  // without the closing "UNKNOWN" row

struct UsbDatabaseRow {
    const char* name;  // in messages
    int recordId;      // GAR record id of the data
    int command;       // read command, -1: read by region
};
constexpr int kUsbDatabases = 8;
constexpr int kUsbDbAviation = 0;
constexpr int kUsbDbWaypoints = 1;
constexpr int kUsbDbRoutes = 2;
constexpr int kUsbDbTracks = 5;
constexpr int kUsbDbScreen = 6;
constexpr int kUsbDbTaw = 7;
extern const UsbDatabaseRow UsbDatabaseTable[kUsbDatabases];

// The name of a memory region ("Unknown" when not listed).
const char* UsbRegionName(int region);

enum UsbState {
    kStStart = 0, kStS05, kStS10, kStS1C, kStS20E, kStRqud, kStRqts, kStRdjob, kStWrjob, kStWrnd,
    kStLdrErase, kStLdrSend, kStNdLoader, kStAvdErase, kStAvdSend, kStNdAvd, kStFinish,
    kStRTimeout, kStTTimeout
};
// "START" ... "TTIMEOUT"; "unknown" outside 0-18.
const char* UsbStateName(int state);

// The drive file table: where a region's file goes on a unit reached as a drive (null: nowhere).
const CardFile* FindDriveFile(int region);

// The database kinds of the transfers: host file, name, record id of the data packets.
#pragma once

struct HostFileRow {
    const char* file;
    const char* name;
    int recordId;
    int command;
    int region;
};

constexpr int kHostFileKinds = 14;
constexpr int kKindAviation = 0;
constexpr int kKindScreen = 6;
constexpr int kKindObstacles = 7;

extern const HostFileRow HostFileTable[kHostFileKinds];

// The kind of a record that is not its kind's own record id (route waypoints and links, track
// headers); -1 for any other record.
int KindOfOtherRecord(int recordId);

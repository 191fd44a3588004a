#include "transfer/common/HostFileTable.h"

const HostFileRow HostFileTable[kHostFileKinds] = {
    {"H_avd.img", "Aviation", 36, 13, 0},
    {"H_usr.gar", "USR Waypoints", 35, 7, -1},
    {"H_routs.gar", "Routes", 29, 4, -1},
    {"H_prox.gar", "Proximity Points", 19, 3, -1},
    {"H_alman.gar", "Almanac", 31, 1, -1},
    {"H_track.gar", "Track", 34, 6, -1},
    {"H_scrn.gar", "Screen", 69, 32, -1},
    {"H_obst.bin", "Obstacle", 36, -1, 39},
    {"H_softw.bin", "Software", 36, -1, 4},
    {"H_loadr.bin", "Loader", 36, -1, 12},
    {"H_map.bin", "Map", 36, -1, 10},
    {"H_softw.bin", "Software", 36, -1, 14},
    {"H_VRPs.bin", "VRP/AirSports", 36, -1, 79},
    {"H_unkwn.gar", "Unknown", 12, -1, -2},
};

int KindOfOtherRecord(int recordId) {
    switch (recordId) {
        case 30:
        case 98: return 2;
        case 99: return 5;
        default: return -1;
    }
}

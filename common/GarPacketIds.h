// Packet ids of the unit link and of GAR files (id byte, size byte, data).
#pragma once

constexpr int kGarEnd = 12;  // transfer complete
constexpr int kGarProximity = 19;
constexpr int kGarRecordCount = 27;
constexpr int kGarRouteHeader = 29;
constexpr int kGarRouteWaypoint = 30;
constexpr int kGarAlmanac = 31;
constexpr int kGarTrackPoint = 34;
constexpr int kGarUserWaypoint = 35;
constexpr int kGarScreenDump = 69;
constexpr int kGarRouteLink = 98;
constexpr int kGarTrackHeader = 99;
constexpr int kGarProductData = 255;

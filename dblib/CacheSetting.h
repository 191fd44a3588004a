// The size of the database files' page cache, a setting of every program that changes the
// database: value "CacheMB" of section "Database" in the program's settings file.
#pragma once

#include "platform/Settings.h"

inline constexpr const char* kCacheSection = "Database";
inline constexpr const char* kCacheValue = "CacheMB";
// Holds a world-size database (about 415,000 records) whole while it is loaded.
inline constexpr int kDefaultCacheMB = 64;

// Sets the transactions' cache limit from the settings (the default when the value is
// missing or below 1).
void ApplyCacheSetting(const platform::Settings& settings);

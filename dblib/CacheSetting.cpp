#include "dblib/CacheSetting.h"

#include "dblib/Transaction.h"

void ApplyCacheSetting(const platform::Settings& settings) {
    int mb = settings.ReadInt(kCacheSection, kCacheValue, kDefaultCacheMB);
    if (mb < 1) mb = kDefaultCacheMB;
    dbtx::SetCacheLimit(size_t(mb) << 20);
}

#include "manager/HighestRecord.h"

#include <algorithm>
#include <climits>

#include "dblib/IsamMgr.h"

int32_t HighestRecordNumber(IsamMgr& file, const char* numberIndex, int32_t& numberField) {
    const bool held = file.IsOpen();
    if (!held && file.Open() != 0) return 0;
    file.SelectIndex(numberIndex);
    numberField = INT32_MAX;
    int32_t highest = 0;
    if (file.Find() == 0 || file.Prev(1) == 0) highest = numberField;
    if (!held) file.Close();
    return std::max(highest, 0);
}

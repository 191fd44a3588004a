#include "transfer/serial/TransferState.h"

namespace {

constexpr const char* kNames[] = {
    "IDLE",   "RQUD",    "RDUD",  "RQTS",    "RDTS",   "RQHB",    "RDHB",    "WTHB",
    "HBSEND3A", "STJOB", "RDJOB", "WRJOB",   "WRND",   "WRAVDJOB", "WFERASE", "WRAVD",
    "WRAVDND", "HOSTJOB", "BAUDREQU", "HOSTRX", "HREVERT", "CONT295", "NDJOB", "RQLB",
    "RDLB",   "WTLB",    "FINISH", "RTIMEOUT", "TTIMEOUT", "PREPARE", "PREP295", "IDLE295",
};

}  // namespace

const char* TransferStateName(int state) {
    return state >= 0 && state < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[state] : "?";
}

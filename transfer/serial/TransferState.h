// The states of a transfer, in the order the trace numbers them.
#pragma once

enum TransferState : int {
    IDLE, RQUD, RDUD, RQTS, RDTS, RQHB, RDHB, WTHB, HBSEND3A, STJOB, RDJOB, WRJOB, WRND, WRAVDJOB, WFERASE,
    WRAVD, WRAVDND, HOSTJOB, BAUDREQU, HOSTRX, HREVERT, CONT295, NDJOB, RQLB, RDLB, WTLB, FINISH,
    RTIMEOUT, TTIMEOUT, PREPARE, PREP295, IDLE295,
};

// The state's name as the trace prints it.
const char* TransferStateName(int state);

// Exit statuses of the generator programs, and the program's fatal end.
#pragma once

#include <functional>
#include <string_view>

enum GenExitStatus : int {
    kExitOk = 0,          // every operation asked for ran to its end (or nothing was asked)
    kExitFatal = 1,       // a fatal error: program error, database library error, database
                          // folder not made, image or batch file not opened, Abort chosen
    kExitUsage = 2,       // the layer's own options were wrong (--answers without a file ...)
    kExitNotDone = 3,     // the last operation asked for was refused, stopped or aborted, or a
                          // control-file run ended before its last section
};

// Ends the program at once with the status (std::exit unless a handler was set).
[[noreturn]] void GenExit(int status);
// Replaces the end (tests install one that throws). An empty handler restores std::exit.
void SetGenExitHandler(std::function<void(int)> handler);

// "Program error: ..." texts and other internal failures: "*** %s ***" in a message box,
// then the program ends with kExitFatal.
[[noreturn]] void ProgramError(std::string_view text);

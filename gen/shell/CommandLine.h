// The generator command line: debug levels, filters, default title, switches and the -F
// control file.
#pragma once

#include "platform/Switches.h"

class CGenApp;
struct GenModel;

// The generators' switches and the model's own, with the model's names and version.
platform::CommandLineDecl GeneratorCommandLine(const GenModel& model);

// Called once by start-up: sets the defaults, then reads the application's arguments. A
// control file named with -F that cannot be opened sets the exit status 1.
void ParseCommandLine(CGenApp& app);

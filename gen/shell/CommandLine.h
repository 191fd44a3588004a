// The generator command line: debug levels, filters, default title, switches and the -F
// control file.
#pragma once

class CGenApp;

// Called once by start-up: sets the defaults, then reads the application's arguments.
void ParseCommandLine(CGenApp& app);

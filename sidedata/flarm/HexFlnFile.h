// The WinPilot FLARMNET file: a version line, then per aircraft 86 bytes of blank-padded text
// written as 172 hexadecimal characters and LF.
#pragma once

#include <string>

class FlarmInput;
class FlarmMemory;

constexpr size_t kHexFlnTextSize = 86;
constexpr size_t kHexFlnLineSize = 2 * kHexFlnTextSize + 1;

void ReadHexFlnFile(FlarmMemory& memory, FlarmInput& input);
int WriteHexFlnFile(FlarmMemory& memory, std::string& out);

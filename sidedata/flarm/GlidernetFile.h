// The OGN device database: a "#DEVICE_TYPE,..." heading, then lines of single-quoted values:
// device type, device id, aircraft model, registration, competition id, ...
#pragma once

class FlarmInput;
class FlarmMemory;

void ReadGlidernetFile(FlarmMemory& memory, FlarmInput& input);

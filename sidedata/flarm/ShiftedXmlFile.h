// FLARMNET XML with every byte increased by one: one element per line, the texts in UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "common/XmlText.h"

class FlarmInput;
class FlarmMemory;

void ReadShiftedXmlFile(FlarmMemory& memory, FlarmInput& input);
int WriteShiftedXmlFile(FlarmMemory& memory, std::string& out);

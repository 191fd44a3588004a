// The transfer details the SD-card program shows before GO: what will be copied to the card,
// with the unpacking notes that chart regions 20 and 26 need when they come last.
#pragma once

#include <string>
#include <vector>

#include "transfer/sdcard/SdSections.h"

std::vector<std::string> CelvaneDetailsLines(int debugLevel, const std::string& cardLabel, const SdSections& sections);

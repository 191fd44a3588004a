// The SD-card program's version text.
#pragma once

inline constexpr const char* kCelvaneVersion = "1.0.0";

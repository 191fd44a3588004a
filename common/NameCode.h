// The letter code of names: a prefix code read most significant bit first.
//   3 bits 0: 'A'          1 + 1 bit: 'E' (1) or end of name (0)
//   2 + 1 bit: 'O' (1) or 'N' (0)      3 + 1 bit: 'I' (1) or 'R' (0)
//   4-7 + 2 bits give v = 16..29: kNameCodeTableA[v - 16]
//   v = 30, 31 + 4 bits x: kNameCodeTableB[(v - 30) * 16 + x]
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kNameCodeTableA[] = "L STUMCDHBGKPY??";
inline constexpr char kNameCodeTableB[] = "VWFJZXQ1204367985-/,.&()+;':fm??";

// The most bits one name is read over.
constexpr uint32_t kNameCodeMaxBits = 384;

// Decodes one name that starts at `startBit` of the block of `blockBytes` bytes into text
// (`limit` bytes: at most limit - 1 characters and a NUL; decoding goes on to the end code).
// A '/' right after a '/' is not stored. Reads nothing beyond the block or beyond
// startBit + 384. Returns the bit position after the end code, or, when a bound stopped the
// decoding first, the position reached plus one.
uint32_t DecodeName(const uint8_t* block, size_t blockBytes, char* text, size_t limit, uint32_t startBit);

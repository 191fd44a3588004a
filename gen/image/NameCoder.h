// The letter code of the names table: a prefix code written most significant bit first.
//   000 'A' | 0010 end | 0011-0111 "ENORI" | 10000-11101 "L STUMCDHBGKPY" | 1111 + 5 bits
//   "VWFJZXQ1204367985-/,.&()+;':fm??"
// Any other character codes as the blank. '?' takes the escaped form (1111 11110), since its
// 5-bit codes 11110 and 11111 would read as the escape.
#pragma once

#include <cstdint>
#include <string>

// Code of the end of a name.
constexpr uint32_t kNameEndCode = 2;
constexpr uint32_t kNameEndBits = 4;
// The longest code of a character (an escaped one).
constexpr uint32_t kMaxNameCharBits = 9;

// Bits that EncodeNameText writes for the text, end code included.
uint32_t NameCodeBits(const char* text);

// Codes the text (upper-cased character by character) from bit position `bit` of buf, followed
// by the end code; returns the bit position behind the end code. buf must hold the bits.
uint32_t EncodeNameText(const char* text, uint32_t bit, uint8_t* buf);

// Decodes one name from bit position `bit`, reading no bit at or beyond `endBit`. Returns true
// when the end code was reached (*next is the bit behind it); false when the bits ran out.
bool DecodeNameText(const uint8_t* buf, uint32_t bit, uint32_t endBit, std::string* text, uint32_t* next);

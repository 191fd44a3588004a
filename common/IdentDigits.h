// The stored form of idents: the digits 0-9 kept as the letters p-y (the digit's code + 64).
#pragma once

#include <cstddef>

// Every digit becomes its letter ('0' -> 'p' ... '9' -> 'y'); other characters stay.
void EncodeIdentDigits(char* ident);

// Every character from 'p' to 0x7F loses 64 ('p' -> '0' ... 'y' -> '9').
void DecodeIdentDigits(char* ident);

// Room for a MakeIdent7 text, NUL included.
constexpr size_t kIdent7Size = 8;

// The ident with its digits decoded, padded with blanks or cut to exactly 7 characters.
// out must hold kIdent7Size bytes.
void MakeIdent7(char* out, const char* ident);

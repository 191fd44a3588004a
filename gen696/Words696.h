// The words of the 696 family's fields, as the listings write them and the batch update reads
// them: frequency types (by type index), runway surfaces (by image surface code), runway
// lighting, VOR kinds (bits 5-7 of the VOR's class byte) and VOR range classes.
#pragma once

extern const char* const kFrequencyTypes696[64];
extern const char* const kSurfaces696[16];
extern const char* const kLights696[4];
extern const char* const kVorKinds696[8];
extern const char* const kVorRanges696[4];

// The unit models the program can play: Emulation list entry, model word, name, product id and
// software version, with the fixed replies the emulated unit gives (product data, protocol
// array, unit id).
#pragma once

#include <cstdint>
#include <vector>

struct EmulatedModel {
    const char* listEntry;
    const char* name;  // in "Emulating GPS%s"
    int productId;
    const char* word;  // the model switch without its "-"
    int version;       // software version x 100
    int productDataSize;
    int protocolArraySize;  // 0: none
    int unitIdSize;
};

constexpr int kEmulatedModels = 13;
extern const EmulatedModel EmulatedModelTable[kEmulatedModels];

// Payload of the product data (id 255): product id, version, the model's texts.
std::vector<uint8_t> ProductDataPayload(int model);
// Payload of the protocol array (id 253), empty for models without one.
std::vector<uint8_t> ProtocolArrayPayload(int model);
// Payload of the unit id (id 38): the serial number first.
std::vector<uint8_t> UnitIdPayload(int model);
// Serial number of the emulated unit.
uint32_t EmulatedSerialNumber(int model);

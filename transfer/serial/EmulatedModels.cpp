#include "transfer/serial/EmulatedModels.h"

const EmulatedModel EmulatedModelTable[kEmulatedModels] = {
    {"95 AVD", "95AVD", 22},       {"90 / 95 XL", "90/95XL", 45}, {"89", "89", 39},
    {"III Pilot", " III Pilot", 71}, {"195", "195", 48},          {"92 / 190", "92/190", 112},
    {"295", "295", 128},           {"196", "196", 145},           {"296", "296", 260},
    {"96", "96", 364},             {"96C", "96C", 365},           {"396", "396", 402},
    {"496", "496/495", 595},
};

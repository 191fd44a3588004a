// The sixteen airspace kinds of the 696 family: the name of a stored 4-bit type in the first
// group (SUA(a), 30-byte records) and in the second group (SUA(b), 27-byte records).
#pragma once

inline constexpr const char* kSuaKinds696[16][2] = {
    {"Class C", "Alert Area"},           {"Control Area", "Caution Area"}, {"Terminal Ctrl", "Danger Area"},
    {"TRSA", "MOA"},                     {"Class B", "Prohibited Area"},   {"Control Zone", "Restricted Area"},
    {"Class F", "Training Area"},        {"ATZ", "Unknown Type"},          {"Class D", "Warning Area"},
    {"Class E", "ADIZ"},                 {"Class A", "TEMP"},              {"Radar Zone", "Parachute Area"},
    {"Special Rules Area", "Unknown AreaC"}, {"TIZ", "Unknown AreaD"},     {"Airway", "Unknown AreaE"},
    {"Class G", "Unknown AreaF"},
};

// The baud rates of the link: the nominal rates of the Max Baud list and the rates the
// emulated unit offers for them. Index 0 is the opening rate.
#pragma once

constexpr int kBaudRates = 7;

struct BaudRow {
    long nominal;
    long offered;
};

// Two parallel lists ended by 0.
extern const BaudRow BaudTable[kBaudRates + 1];

// Index of the nominal rate nearest to rate (the lower index on a tie); -1 for an empty list.
int NearestBaudIndex(long rate, const BaudRow* table = BaudTable);

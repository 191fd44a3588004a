#include "transfer/serial/BaudTable.h"

#include <cstdlib>

const BaudRow BaudTable[kBaudRates + 1] = {
    {9600, 9652},   {14400, 14209}, {19200, 18945},   {28800, 28418},
    {38400, 37890}, {57600, 56835}, {115200, 113669}, {0, 0},
};

int NearestBaudIndex(long rate, const BaudRow* table) {
    int best = -1;
    long bestDistance = 0;
    for (int i = 0; table[i].nominal != 0; ++i) {
        const long distance = std::labs(table[i].nominal - rate);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

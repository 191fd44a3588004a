#include "sidedata/obstacles/Position.h"

#include <cmath>
#include <cstdlib>

#include "common/CLocale.h"

namespace obstacles {

namespace {

void AppendDigits(std::string& out, unsigned long value, int width) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i) out += '0';
    while (n > 0) out += digits[--n];
}

}  // namespace

void AppendRawPosition(std::string& out, int32_t value) {
    static const char kHex[] = "0123456789abcdef";
    out += '[';
    uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
    out += "] ";
}

void AppendPosition(std::string& out, int32_t value, bool isLongitude, PositionEnd end) {
    double degrees = static_cast<double>(value) * 360.0 / 4294967296.0;
    if (std::fabs(degrees) < 0.00027) degrees = 0;
    bool negative = degrees < 0;
    double magnitude = std::fabs(degrees);
    long whole = static_cast<long>(magnitude);
    double minutes = (magnitude - static_cast<double>(whole)) * 60.0;
    if (minutes + 0.0005 >= 60.0) {
        ++whole;
        minutes = 0;
    }
    char letter = isLongitude ? (negative || whole == 180 ? 'W' : 'E') : (negative ? 'S' : 'N');
    out += letter;
    AppendDigits(out, static_cast<unsigned long>(whole), isLongitude ? 3 : 2);
    out += '\xB0';
    // Minutes with five decimals in eight characters, rounded as printf rounds: near a half,
    // printf itself decides.
    double product = minutes * 100000.0;
    double floor = std::floor(product);
    long scaled = static_cast<long>(floor) + (product - floor > 0.5 ? 1 : 0);
    if (std::fabs(product - floor - 0.5) < 1e-6) {
        char text[32];
        FormatC(text, sizeof text, "%08.5f", minutes);
        out += text;
        out += end == PositionEnd::Bar ? '|' : ' ';
        return;
    }
    AppendDigits(out, static_cast<unsigned long>(scaled / 100000), 2);
    out += '.';
    AppendDigits(out, static_cast<unsigned long>(scaled % 100000), 5);
    out += end == PositionEnd::Bar ? '|' : ' ';
}

int FeetToMetres(int feet) {
    int v = std::abs(feet);
    int m = static_cast<int>(v / 3.2808);
    if (v - m * 3.2808 > 1.6404) ++m;
    return feet < 0 ? -m : m;
}

int MetresToFeet(int metres) {
    double f = std::abs(metres) * 3.2808;
    int ft = static_cast<int>(f);
    if (f - ft > 0.5) ++ft;
    return metres < 0 ? -ft : ft;
}

}  // namespace obstacles

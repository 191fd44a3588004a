#include "transfer/usb/UsbImageRules.h"

#include <iterator>

#include "common/PartNumber.h"
#include "transfer/common/ImageChecks.h"

namespace {

constexpr size_t kHeaderBytes = 256;

bool InList(const int* list, size_t count, int value) {
    for (size_t i = 0; i < count && list[i] != 0; ++i) {
        if (list[i] == value) return true;
    }
    return false;
}

constexpr int kType7Units[] = {745, 1063, 660, 2400, 1364};
constexpr int kType8Units[] = {498, 191};

constexpr int kGarGroups[][8] = {
    {22, 36, 39, 45}, {48}, {71}, {112, 53}, {128}, {145, 260}, {364, 365}, {402, 595, 887, 406, 745},
};

}  // namespace

int UsbImageType(const uint8_t* header, size_t size, int* partNumber) {
    if (size < kHeaderBytes) return kImageTypeUnknown;
    const int shortType = ImageTypeOfHeader(header, size, partNumber);
    if (shortType != kImageTypeUnknown) return shortType;
    const int number = DecodePartNumber(header, size, 150);
    if (number < 0) return kImageTypeUnknown;
    if (partNumber) *partNumber = number;
    switch (number) {
        case 974: return 7;
        case 170: return 8;
        case 8304: return 12;
        default: return kImageTypeUnknown;
    }
}

bool UsbImageAllowsUnit(int imageType, int productId) {
    switch (imageType) {
        case 7: return InList(kType7Units, std::size(kType7Units), productId);
        case 8: return InList(kType8Units, std::size(kType8Units), productId);
        default: return imageType < 0 || imageType > 8 || ImageTypeAllowsUnit(imageType, productId);
    }
}

bool UsbGarInterchangeable(int garProductId, int unitProductId) {
    if (garProductId <= 0) return true;
    for (const auto& group : kGarGroups) {
        if (InList(group, 8, garProductId) && InList(group, 8, unitProductId)) return true;
    }
    return false;
}

#include <cstring>

#include "common/PartNumber.h"
#include "transfer/common/ImageChecks.h"

namespace {

constexpr SumcheckLayoutRow kLayouts[kImageTypes] = {
    {9, 1, 2048}, {9, 1, 2048}, {1, 0, 2048}, {25, 1, 512}, {16, 0, 1024}, {12, 0, 1024}, {16, 0, 2048},
};

constexpr int kStoredCountOffsets[kImageTypes] = {0, 0, 0, 66, 57, 53, 57};

constexpr int kImageTypeModels[kImageTypes][16] = {
    {22},
    {36, 45},
    {39},
    {71},
    {48, 128, 145, 260, 364, 365, 402, 406},
    {112, 53},
    {595, 887},
};

constexpr int kGarModelGroups[][8] = {
    {22, 36, 39, 45}, {48}, {71}, {128}, {112, 53}, {145, 260, 364, 365}, {402, 406}, {595, 887}, {},
};

struct ModelWord {
    int id;
    const char* word;
};

constexpr ModelWord kLoaderModelWords[] = {
    {22, "95AVD"}, {36, "95XL"}, {39, "89"},  {45, "90"},   {48, "195"},  {71, "3P"},
    {112, "92"},   {128, "295"}, {145, "196"}, {260, "296"}, {364, "96"},  {365, "96C"},
    {402, "396"},  {595, "496"}, {887, "495"}, {406, "376"},
};

bool InList(const int* list, int count, int value) {
    for (int i = 0; i < count && list[i] != 0; ++i) {
        if (list[i] == value) return true;
    }
    return false;
}

}  // namespace

const SumcheckLayoutRow* SumcheckLayout(int imageType) {
    return imageType >= 0 && imageType < kImageTypes ? &kLayouts[imageType] : nullptr;
}

int StoredPacketCountOffset(int imageType) {
    return imageType >= 0 && imageType < kImageTypes ? kStoredCountOffsets[imageType] : 0;
}

bool ImageTypeAllowsUnit(int imageType, int productId) {
    if (imageType < 0 || imageType >= kImageTypes || productId == 0) return false;
    return InList(kImageTypeModels[imageType], 16, productId);
}

bool GarModelsInterchangeable(int garProductId, int unitProductId) {
    if (garProductId == 0 || unitProductId == 0) return false;
    for (const auto& group : kGarModelGroups) {
        if (group[0] == 0) break;
        if (InList(group, 8, garProductId) && InList(group, 8, unitProductId)) return true;
    }
    return false;
}

const char* LoaderModelWord(int productId) {
    for (const ModelWord& row : kLoaderModelWords) {
        if (row.id == productId) return row.word;
    }
    return "UNKNOWN";
}

int ImageTypeOfHeader(const uint8_t* header, size_t size, int* partNumber) {
    struct Try {
        int offset;
        int type;
    };
    static constexpr Try kTries[] = {{26, 1}, {18, 2}, {42, 3}, {33, 6}, {29, 5}};
    for (const Try& t : kTries) {
        const int number = ::DecodePartNumber(header, size, static_cast<size_t>(t.offset));
        if (number < 0) continue;
        if (partNumber) *partNumber = number;
        int type = t.type;
        if (type == 6 && number != 677) type = 4;
        if (type == 1 && number == 4) type = 0;
        return type;
    }
    return kImageTypeUnknown;
}

bool ImageChecks::DecodePartNumber(int offset) {
    if (offset < 0) return false;
    const int number = ::DecodePartNumber(header, sizeof header, static_cast<size_t>(offset));
    if (number < 0) return false;
    partNumber = number;
    return true;
}

bool ImageChecks::DetectImageType() {
    std::memset(header, 0, sizeof header);
    sendFile.Rewind();
    const size_t n = sendFile.Read(header, 64);
    sendFile.Rewind();
    imageType = n < 64 ? kImageTypeUnknown : ImageTypeOfHeader(header, 64, &partNumber);
    return imageType >= 0;
}

#include "transfer/sdcard/SdSections.h"

#include "common/PartNumber.h"
#include "common/TextHelpers.h"
#include "transfer/common/TransferFile.h"
#include "transfer/sdcard/CelvaneTables.h"

namespace {

constexpr size_t kHeaderBytes = 256;
constexpr size_t kPartNumberOffset = 150;
constexpr int kRegionNavdata = 1;
constexpr int kRegionNavdata2 = 2;
constexpr int kRegionAopa = 78;

int ImageTypeOf(int partNumber) {
    switch (partNumber) {
        case 170:
        case 2049: return kSdImageG1000;
        case 974: return kSdImage696;
        case 5159:
        case 5307: return kSdImageG1000r2;
        default: return -1;
    }
}

ContainerRegion WholeFile(int region, int64_t size) {
    const uint32_t length = size > 0 && size <= UINT32_MAX ? static_cast<uint32_t>(size) : 0;
    return {static_cast<uint32_t>(region), 0, 0, length};
}

}  // namespace

bool SdSections::FitsTarget(int model) const {
    if (productId == 0) return false;
    return IsPortableProduct(productId) == IsPortableTarget(model);
}

int SdSections::UsableCount() const {
    int count = 0;
    for (const ContainerRegion& row : rows) count += FindCardFile(static_cast<int>(row.region)) != nullptr;
    return count;
}

SdSections ReadImageSections(TransferFile& file, const std::string& path, int targetModel) {
    SdSections sections;
    uint8_t header[kHeaderBytes] = {};
    file.Rewind();
    const size_t n = file.Read(header, sizeof header);
    file.Rewind();
    sections.imageType = ImageTypeOf(DecodePartNumber(header, n, kPartNumberOffset));
    if (sections.imageType >= 0) {
        sections.productId = sections.imageType == kSdImage696 ? 745 : 191;
        sections.rows.push_back(
            WholeFile(sections.imageType == kSdImageG1000r2 ? kRegionNavdata2 : kRegionNavdata, file.Size()));
    } else if (targetModel != 0 && EndsWithNoCase(path, "aopa.gca")) {
        sections.productId = 191;
        sections.rows.push_back(WholeFile(kRegionAopa, file.Size()));
    } else {
        RegionContainer container;
        container.Read(file, {0, 1, 2, 50});
        sections.productId = container.model;
        sections.rows = std::move(container.rows);
    }
    return sections;
}

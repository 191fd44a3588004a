#include "transfer/usb/UsbUnitEmulator.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/CLocale.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/UsbPacket.h"
#include "transfer/usb/UsbTables.h"

namespace {

constexpr int kClosedError = -4;  // as a device that has gone
constexpr uint16_t kAppCommand = 10, kAppEnd = 12, kAppDateTime = 14, kAppCount = 27, kAppPrepare = 28;
constexpr uint16_t kAppVersion = 32, kAppBlock = 36, kAppRegionEnd = 45, kAppRegionAnswer = 74;
constexpr uint16_t kAppErase = 75, kAppRegionRead = 96, kAppSessionEnd = 525, kAppSessionQuery = 526;
constexpr uint16_t kAppProtocolArray = 253, kAppProductRequest = 254, kAppProductData = 255;
constexpr uint16_t kCmdDateTime = 14;
constexpr uint16_t kAppSoftwareTick = 9;
constexpr size_t kRegionPiece = 128;

// The regions of the emulated unit's memory.
constexpr int kRegions[] = {0, 4, 10, 12, 14, 39, 79};

int SoftwareVersion(int productId) {
    switch (productId) {
        case 145: return 202;
        case 364: return 220;
        case 595: return 271;
        default: return 200;
    }
}

void Append(std::vector<uint8_t>& out, const char* text) {
    while (*text) out.push_back(static_cast<uint8_t>(*text++));
    out.push_back(0);
}

std::vector<uint8_t> U16(uint32_t value) { return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}; }

}  // namespace

UsbUnitEmulator::UsbUnitEmulator(int productId, uint32_t packetSize) : productId_(productId), packetSize_(packetSize) {}

bool UsbUnitEmulator::HasRegion(int region) {
    for (int r : kRegions) {
        if (r == region) return true;
    }
    return false;
}

std::string UsbUnitEmulator::RegionFileName(int region) { return StringFormatC("region_%02X.bin", region & 0xFF); }

std::vector<uint8_t> UsbUnitEmulator::ProductData() const {
    const int version = SoftwareVersion(productId_);
    std::vector<uint8_t> data = U16(static_cast<uint32_t>(productId_));
    const std::vector<uint8_t> v = U16(static_cast<uint32_t>(version));
    data.insert(data.end(), v.begin(), v.end());
    Append(data, StringFormatC("GPS %s Software Version %d.%02d", UsbModelName(productId_), version / 100, version % 100).c_str());
    Append(data, "EMULATED UNIT");
    return data;
}

UsbOpen UsbUnitEmulator::Open(std::string& path, std::string& /*detail*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    interrupt_.clear();
    bulk_.clear();
    incoming_.clear();
    path = StringFormatC("emulator:%d", productId_);
    return UsbOpen::Ok;
}

void UsbUnitEmulator::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    interrupt_.clear();
    bulk_.clear();
    incoming_.clear();
    ready_.notify_all();
}

bool UsbUnitEmulator::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

std::string UsbUnitEmulator::ErrorText(int /*error*/) const { return "The emulated unit is not connected."; }

UsbIoResult UsbUnitEmulator::ReadInterrupt(uint8_t* buffer, size_t length, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    UsbIoResult result;
    ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !open_ || !interrupt_.empty(); });
    if (!open_) return {UsbIo::Error, 0, kClosedError};
    if (interrupt_.empty()) return {UsbIo::Timeout, 0, 0};
    Bytes& piece = interrupt_.front();
    const size_t n = piece.size() < length ? piece.size() : length;
    std::copy(piece.begin(), piece.begin() + static_cast<long>(n), buffer);
    interrupt_.pop_front();
    result.bytes = n;
    return result;
}

UsbIoResult UsbUnitEmulator::ReadBulk(uint8_t* buffer, size_t length, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    UsbIoResult result;
    ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !open_ || !bulk_.empty(); });
    if (!open_) return {UsbIo::Error, 0, kClosedError};
    if (bulk_.empty()) return {UsbIo::Timeout, 0, 0};
    Bytes& packet = bulk_.front();
    const size_t n = packet.size() < length ? packet.size() : length;
    std::copy(packet.begin(), packet.begin() + static_cast<long>(n), buffer);
    bulk_.pop_front();
    result.bytes = n;
    return result;
}

UsbIoResult UsbUnitEmulator::WriteBulk(const uint8_t* buffer, size_t length, int /*timeoutMs*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return {UsbIo::Error, 0, kClosedError};
    incoming_.insert(incoming_.end(), buffer, buffer + length);
    // A write of whole USB packets goes on in the next one; a shorter or empty one ends it.
    if (length > 0 && length % packetSize_ == 0) return {UsbIo::Ok, length, 0};
    Bytes packet;
    packet.swap(incoming_);
    const size_t replies = interrupt_.size() + bulk_.size();
    if (packet.size() >= kUsbHeaderSize) Handle(packet);
    // The reader is woken only when the unit has something to say.
    if (interrupt_.size() + bulk_.size() != replies) ready_.notify_all();
    return {UsbIo::Ok, length, 0};
}

void UsbUnitEmulator::SendTransport(uint16_t id, const Bytes& data) {
    Bytes packet(kUsbHeaderSize);
    PutUsbHeader(packet.data(), kUsbTransport, id, static_cast<uint32_t>(data.size()));
    packet.insert(packet.end(), data.begin(), data.end());
    // The interrupt pipe carries 64-byte pieces; a packet of whole pieces ends with an empty one.
    for (size_t at = 0; at < packet.size(); at += kUsbInterruptPiece) {
        const size_t n = packet.size() - at < kUsbInterruptPiece ? packet.size() - at : kUsbInterruptPiece;
        interrupt_.emplace_back(packet.begin() + static_cast<long>(at), packet.begin() + static_cast<long>(at + n));
    }
    if (packet.size() % kUsbInterruptPiece == 0) interrupt_.emplace_back();
}

void UsbUnitEmulator::SendApplication(const std::vector<std::pair<uint16_t, Bytes>>& packets) {
    SendTransport(kUsbDataAvailable, {});
    for (const auto& [id, data] : packets) {
        Bytes packet(kUsbHeaderSize);
        PutUsbHeader(packet.data(), kUsbApplication, id, static_cast<uint32_t>(data.size()));
        packet.insert(packet.end(), data.begin(), data.end());
        bulk_.push_back(std::move(packet));
    }
    bulk_.emplace_back();
}

void UsbUnitEmulator::Handle(const Bytes& packet) {
    const uint8_t* p = packet.data();
    const uint32_t declared = UsbPacketSize(p);
    const size_t size = declared < packet.size() - kUsbHeaderSize ? declared : packet.size() - kUsbHeaderSize;
    const uint8_t* data = p + kUsbHeaderSize;
    const uint16_t id = UsbPacketId(p);
    if (UsbPacketType(p) == kUsbTransport) {
        if (id == kUsbStartSession) {
            SendTransport(kUsbSessionStarted, {0x39, 0x30, 0x00, 0x0D});  // serial 0x0D003039
        } else if (id == kUsbQueryState) {
            // Byte 1 tells that the loader region has been erased.
            SendTransport(kUsbStateReply, {0, static_cast<uint8_t>(erasedRegion_ == 12 ? 4 : 0), 0, 0});
        }
        return;
    }
    switch (id) {
        case kAppProductRequest: {
            Bytes protocols;
            for (const auto& [tag, number] : {std::pair<char, int>{'P', 0}, {'L', 1}, {'A', 10}, {'T', 1}, {'A', 100},
                                              {'D', 109}, {'A', 200}, {'D', 202}}) {
                protocols.push_back(static_cast<uint8_t>(tag));
                protocols.push_back(static_cast<uint8_t>(number));
                protocols.push_back(static_cast<uint8_t>(number >> 8));
            }
            SendApplication({{kAppProductData, ProductData()}, {kAppProtocolArray, protocols}});
            break;
        }
        case kAppPrepare: {
            Bytes version;
            Append(version, " 2.71 ");
            SendApplication({{kAppVersion, version}, {kAppSoftwareTick, {1}}});
            break;
        }
        case kAppSessionQuery:
            SendApplication({{kAppSessionEnd, {}}});
            break;
        case kAppCommand:
            if (size >= 2) HandleCommand(data[0] | data[1] << 8);
            break;
        case kAppErase: {
            const int region = size >= 2 ? data[0] | data[1] << 8 : -1;
            if (!HasRegion(region)) {
                SendApplication({{kAppRegionAnswer, U16(1)}});
                break;
            }
            // Erased memory reads 0xFF: the region file holds what was written since.
            regionFile_.OpenWrite(RegionFileName(region), true);
            regionEnd_ = 0;
            region_ = region;
            erasedRegion_ = region;
            SendApplication({{kAppRegionAnswer, U16(0)}});
            break;
        }
        case kAppBlock:
            WriteBlock(data, size);
            break;
        case kAppRegionEnd:
            regionFile_.Close();
            region_ = -1;
            erasedRegion_ = -1;
            break;
        case kAppRegionRead:
            SendRegion(size >= 4 ? static_cast<int>(UsbU32(data)) : -1);
            break;
        case kAppCount:
            records_.clear();
            records_.push_back(Bytes{static_cast<uint8_t>(id), static_cast<uint8_t>(size)});
            records_.back().insert(records_.back().end(), data, data + size);
            break;
        default:
            // Records of a GAR write, and its end.
            if (id < 256 && size < 256 && !records_.empty()) {
                records_.push_back(Bytes{static_cast<uint8_t>(id), static_cast<uint8_t>(size)});
                records_.back().insert(records_.back().end(), data, data + size);
                if (id == kAppEnd) StoreReceivedRecords();
            }
            break;
    }
}

void UsbUnitEmulator::HandleCommand(int command) {
    if (command == kCmdDateTime) {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        gmtime_r(&now, &t);
        const int year = t.tm_year + 1900;
        SendApplication({{kAppDateTime,
                          {static_cast<uint8_t>(t.tm_mon + 1), static_cast<uint8_t>(t.tm_mday), static_cast<uint8_t>(year),
                           static_cast<uint8_t>(year >> 8), static_cast<uint8_t>(t.tm_hour), 0,
                           static_cast<uint8_t>(t.tm_min), static_cast<uint8_t>(t.tm_sec)}}});
        return;
    }
    SendHostFile(command);
}

void UsbUnitEmulator::SendHostFile(int command) {
    int row = -1;
    for (int i = 0; i < kHostFileKinds; ++i) {
        if (HostFileTable[i].command == command && HostFileTable[i].region < 0) {
            row = i;
            break;
        }
    }
    std::vector<std::pair<uint16_t, Bytes>> packets;
    const bool screen = command == UsbDatabaseTable[kUsbDbScreen].command;
    TransferFile file;
    if (row >= 0 && file.OpenRead(HostFileTable[row].file)) {
        GarRecord record;
        while (ReadGarRecordFrom(file, record) == GarRead::Ok) {
            if (record.id == kGarProductData) continue;
            // A screen comes without its count and end records.
            if (screen && (record.id == kGarRecordCount || record.id == kGarEnd)) continue;
            packets.emplace_back(static_cast<uint16_t>(record.id), Bytes(record.data, record.data + record.size));
        }
    } else if (!screen) {
        packets.emplace_back(kAppCount, U16(0));
        packets.emplace_back(kAppEnd, U16(static_cast<uint32_t>(command)));
    }
    SendApplication(packets);
}

void UsbUnitEmulator::SendRegion(int region) {
    TransferFile file;
    if (!HasRegion(region) || !file.OpenRead(RegionFileName(region))) {
        SendApplication({{kAppRegionAnswer, U16(1)}});
        return;
    }
    std::vector<std::pair<uint16_t, Bytes>> packets;
    uint8_t piece[kRegionPiece];
    uint32_t offset = 0;
    for (size_t n; (n = file.Read(piece, sizeof piece)) > 0; offset += static_cast<uint32_t>(n)) {
        bool blank = true;
        for (size_t i = 0; i < n; ++i) blank = blank && piece[i] == 0xFF;
        if (blank) continue;  // erased memory is not sent
        Bytes data(4);
        PutUsbU32(data.data(), offset);
        data.insert(data.end(), piece, piece + n);
        packets.emplace_back(kAppBlock, std::move(data));
    }
    packets.emplace_back(kAppRegionEnd, U16(static_cast<uint32_t>(region)));
    SendApplication(packets);
}

void UsbUnitEmulator::WriteBlock(const uint8_t* data, size_t size) {
    if (region_ < 0 || size < 4 || !regionFile_.IsOpen()) return;
    const uint32_t offset = UsbU32(data);
    if (offset > regionEnd_) {
        // Memory between the blocks stays erased.
        const std::string blank(static_cast<size_t>(offset - regionEnd_), '\xFF');
        regionFile_.Seek(regionEnd_);
        regionFile_.Write(blank.data(), blank.size());
    }
    regionFile_.Seek(offset);
    regionFile_.Write(data + 4, size - 4);
    const int64_t end = static_cast<int64_t>(offset) + static_cast<int64_t>(size - 4);
    if (end > regionEnd_) regionEnd_ = end;
}

void UsbUnitEmulator::StoreReceivedRecords() {
    // The kind is that of the first data record; the file begins with the unit's own product record.
    int row = -1;
    const int kindId = records_.size() > 2 ? records_[1][0] : -1;
    for (int i = 0; i < kHostFileKinds && kindId >= 0; ++i) {
        if (HostFileTable[i].recordId == kindId && HostFileTable[i].region < 0) {
            row = i;
            break;
        }
    }
    std::string out;
    const Bytes product = ProductData();
    out += static_cast<char>(kGarProductData);
    out += static_cast<char>(4);
    out.append(product.begin(), product.begin() + 4);
    for (const Bytes& r : records_) out.append(r.begin(), r.end());
    TransferFile file;
    if (file.OpenWrite(row >= 0 ? HostFileTable[row].file : "H_unkwn.gar", true)) file.Write(out.data(), out.size());
    records_.clear();
}

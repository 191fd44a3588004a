#include "transfer/usb/LibUsbLink.h"

#include <libusb-1.0/libusb.h>

#include "common/CLocale.h"

namespace {

struct Endpoints {
    int interfaceNumber = -1;
    unsigned char interruptIn = 0, bulkIn = 0, bulkOut = 0;
    uint32_t packetSize = 0;
};

// The first interface setting with the three endpoints the unit's link needs.
bool FindEndpoints(libusb_device* device, Endpoints& found) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0) {
        return false;
    }
    bool ok = false;
    for (int i = 0; i < config->bNumInterfaces && !ok; ++i) {
        const libusb_interface& itf = config->interface[i];
        for (int a = 0; a < itf.num_altsetting && !ok; ++a) {
            const libusb_interface_descriptor& setting = itf.altsetting[a];
            Endpoints e;
            e.interfaceNumber = setting.bInterfaceNumber;
            for (int k = 0; k < setting.bNumEndpoints; ++k) {
                const libusb_endpoint_descriptor& ep = setting.endpoint[k];
                const int kind = ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
                const bool in = (ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
                if (kind == LIBUSB_TRANSFER_TYPE_INTERRUPT && in && e.interruptIn == 0) e.interruptIn = ep.bEndpointAddress;
                if (kind == LIBUSB_TRANSFER_TYPE_BULK && in && e.bulkIn == 0) e.bulkIn = ep.bEndpointAddress;
                if (kind == LIBUSB_TRANSFER_TYPE_BULK && !in && e.bulkOut == 0) {
                    e.bulkOut = ep.bEndpointAddress;
                    e.packetSize = ep.wMaxPacketSize & 0x7FF;
                }
            }
            if (e.interruptIn != 0 && e.bulkIn != 0 && e.bulkOut != 0) {
                found = e;
                ok = true;
            }
        }
    }
    libusb_free_config_descriptor(config);
    return ok;
}

}  // namespace

LibUsbLink::~LibUsbLink() {
    Close();
    if (context_) libusb_exit(context_);
}

UsbOpen LibUsbLink::Open(std::string& path, std::string& detail) {
    Close();
    if (!context_ && libusb_init(&context_) != 0) {
        context_ = nullptr;
        detail = "libusb_init failed";
        return UsbOpen::NotFound;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    libusb_device* unit = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(list[i], &descriptor) == 0 && descriptor.idVendor == vendorId_) {
            unit = list[i];
            break;
        }
    }
    if (!unit) {
        if (list) libusb_free_device_list(list, 1);
        return UsbOpen::NotFound;
    }
    path = StringFormatC("usb:%u:%u", libusb_get_bus_number(unit), libusb_get_device_address(unit));
    Endpoints endpoints;
    const bool haveEndpoints = FindEndpoints(unit, endpoints);
    int rc = libusb_open(unit, &handle_);
    libusb_free_device_list(list, 1);
    if (rc != 0) {
        handle_ = nullptr;
        detail = libusb_error_name(rc);
        return UsbOpen::OpenFailed;
    }
    if (!haveEndpoints || endpoints.packetSize == 0) return UsbOpen::NoPacketSize;
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    rc = libusb_claim_interface(handle_, endpoints.interfaceNumber);
    if (rc != 0) {
        detail = libusb_error_name(rc);
        libusb_close(handle_);
        handle_ = nullptr;
        return UsbOpen::OpenFailed;
    }
    interface_ = endpoints.interfaceNumber;
    interruptIn_ = endpoints.interruptIn;
    bulkIn_ = endpoints.bulkIn;
    bulkOut_ = endpoints.bulkOut;
    packetSize_ = endpoints.packetSize;
    return UsbOpen::Ok;
}

void LibUsbLink::Close() {
    if (!handle_) return;
    if (interface_ >= 0) libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
    handle_ = nullptr;
    interface_ = -1;
    packetSize_ = 0;
}

UsbIoResult LibUsbLink::Transfer(bool interrupt, unsigned char endpoint, uint8_t* buffer, size_t length, int timeoutMs) {
    UsbIoResult result;
    if (!handle_) {
        result.status = UsbIo::Error;
        result.error = LIBUSB_ERROR_NO_DEVICE;
        return result;
    }
    int moved = 0;
    // A time-out of 0 would wait for ever.
    const unsigned timeout = timeoutMs <= 0 ? 1u : static_cast<unsigned>(timeoutMs);
    const int rc = interrupt ? libusb_interrupt_transfer(handle_, endpoint, buffer, static_cast<int>(length), &moved, timeout)
                             : libusb_bulk_transfer(handle_, endpoint, buffer, static_cast<int>(length), &moved, timeout);
    result.bytes = moved > 0 ? static_cast<size_t>(moved) : 0;
    if (rc == LIBUSB_ERROR_TIMEOUT) {
        result.status = UsbIo::Timeout;
    } else if (rc != 0) {
        result.status = UsbIo::Error;
        result.error = rc;
    }
    return result;
}

UsbIoResult LibUsbLink::ReadInterrupt(uint8_t* buffer, size_t length, int timeoutMs) {
    return Transfer(true, interruptIn_, buffer, length, timeoutMs);
}

UsbIoResult LibUsbLink::ReadBulk(uint8_t* buffer, size_t length, int timeoutMs) {
    return Transfer(false, bulkIn_, buffer, length, timeoutMs);
}

UsbIoResult LibUsbLink::WriteBulk(const uint8_t* buffer, size_t length, int timeoutMs) {
    return Transfer(false, bulkOut_, const_cast<uint8_t*>(buffer), length, timeoutMs);
}

std::string LibUsbLink::ErrorText(int error) const { return libusb_strerror(error); }

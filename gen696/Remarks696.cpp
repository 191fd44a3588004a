#include "gen696/Remarks696.h"

namespace {

// Reads bytes of a form or blob in order, refusing to pass its end.
struct Reader {
    const std::vector<uint8_t>& d;
    size_t at = 2;
    bool ok = true;
    uint8_t Byte() {
        if (at >= d.size()) {
            ok = false;
            return 0;
        }
        return d[at++];
    }
    uint32_t U16() {
        const uint32_t lo = Byte();
        return lo | Byte() << 8;
    }
};

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

bool RemarksFormOfBlob696(const std::vector<uint8_t>& blob, std::vector<uint8_t>* form, std::string* error) {
    form->clear();
    if (blob.size() < 2) {
        *error = "remarks cut short";
        return false;
    }
    Reader in{blob};
    const uint8_t f = blob[1];
    std::vector<uint8_t> out = {0, static_cast<uint8_t>(f & 0x1F)};
    if (f & 1) {
        out.push_back(in.Byte());
        out.push_back(in.Byte());
        const uint8_t bits = in.Byte();
        if (bits & 1) out[1] |= 64;
        if (bits & 2) out[1] |= 128;
    }
    for (uint8_t bit : {4, 2}) {
        if ((f & bit) == 0) continue;
        const uint32_t v = in.U16();
        int64_t feet = static_cast<int64_t>(v & 0x7FFF) - 5000;
        if (v & 0x8000) feet *= 100;
        if (feet + 5000 < 0 || feet + 5000 > 0xFFFF) {
            *error = "remarks altitude outside the database's field";
            return false;
        }
        Put16(out, static_cast<uint32_t>(feet + 5000));
    }
    if (f & 8) {
        for (int i = 0; i < 3; ++i) out.push_back(in.Byte());
    }
    if (f & 16) {
        const uint8_t c = in.Byte();
        if (c == 0 || c > 127) {
            *error = "remarks text of a bad length";
            return false;
        }
        out.push_back(static_cast<uint8_t>(2 * c + (in.Byte() & 1)));
        for (int i = 1; i < c; ++i) out.push_back(in.Byte());
    }
    if (!in.ok || out.size() - 1 > 127) {
        *error = "remarks cut short";
        return false;
    }
    out[0] = static_cast<uint8_t>(out.size() - 1);
    *form = std::move(out);
    return true;
}

bool RemarksBlobOfForm696(const std::vector<uint8_t>& form, std::vector<uint8_t>* blob, std::string* error) {
    blob->clear();
    if (form.size() < 2) {
        *error = "remarks cut short";
        return false;
    }
    Reader in{form};
    const uint8_t flags = form[1];
    std::vector<uint8_t>& out = *blob;   // made in place: its room kept from call to call
    out.push_back(0);
    out.push_back(static_cast<uint8_t>(flags & 0x1F));
    if (flags & 1) {
        out.push_back(in.Byte());
        out.push_back(in.Byte());
        out.push_back(static_cast<uint8_t>(((flags & 64) ? 1 : 0) | ((flags & 128) ? 2 : 0)));
    }
    for (uint8_t bit : {4, 2}) {
        if ((flags & bit) == 0) continue;
        const int32_t feet = static_cast<int32_t>(in.U16()) - 5000;
        Put16(out, feet <= 10000 ? static_cast<uint32_t>(feet + 5000) : static_cast<uint32_t>(feet / 100 + 5000) | 0x8000);
    }
    if (flags & 8) {
        for (int i = 0; i < 3; ++i) out.push_back(in.Byte());
    }
    if (flags & 16) {
        const uint8_t b = in.Byte();
        const uint8_t c = b >> 1;
        out.push_back(c);
        out.push_back(b & 1);
        for (int i = 1; i < c; ++i) out.push_back(in.Byte());
    }
    if (!in.ok) {
        out.clear();
        *error = "remarks cut short";
        return false;
    }
    out[0] = static_cast<uint8_t>(out.size() - 1);
    return true;
}

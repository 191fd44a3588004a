#include "transfer/usb/DelaySettings.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "common/CLocale.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/UsbTables.h"

namespace {

// A decimal number, or 0x-hexadecimal for the vendor id; false when the value is no number.
bool ReadNumber(const std::string& value, int& out, bool hexAllowed) {
    const char* text = value.c_str();
    char* end = nullptr;
    const int base = hexAllowed && (std::strncmp(text, "0x", 2) == 0 || std::strncmp(text, "0X", 2) == 0) ? 16 : 10;
    const long n = std::strtol(text, &end, base);
    if (end == text) return false;
    out = static_cast<int>(n);
    return true;
}

}  // namespace

void DelaySettings::Parse(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "PostEraseDelay") ReadNumber(value, postEraseDelay, false);
        else if (key == "PostLoaderDelay") ReadNumber(value, postLoaderDelay, false);
        else if (key == "IntraReadDelay") ReadNumber(value, intraReadDelay, false);
        else if (key == "IntraWriteDelay") ReadNumber(value, intraWriteDelay, false);
        else if (key == "PostTransferDelay") ReadNumber(value, postTransferDelay, false);
        else if (key == "LoaderModels") loaderModels = value;
        else if (key == "UsbVendorId") ReadNumber(value, usbVendorId, true);
    }
}

std::string DelaySettings::Text() const {
    return StringFormatC("PostEraseDelay=%d\nPostLoaderDelay=%d\nIntraReadDelay=%d\nIntraWriteDelay=%d\n"
                         "PostTransferDelay=%d\nLoaderModels=%s\nUsbVendorId=0x%04X\n",
                         postEraseDelay, postLoaderDelay, intraReadDelay, intraWriteDelay, postTransferDelay,
                         loaderModels.c_str(), static_cast<unsigned>(usbVendorId));
}

bool DelaySettings::LoadAndRewrite(const std::string& path) {
    TransferFile file;
    if (file.OpenRead(path)) {
        std::string text(static_cast<size_t>(file.Size()), '\0');
        text.resize(file.Read(text.data(), text.size()));
        file.Close();
        Parse(text);
    }
    const std::string folder = platform::DirName(path);
    // The folder and the folders above it that are missing.
    for (size_t at = 1; !folder.empty() && at != std::string::npos; at = folder.find('/', at + 1)) {
        const std::string part = folder.substr(0, at);
        if (!platform::IsDirectory(part)) platform::MakeDirectory(part);
    }
    if (!folder.empty() && !platform::IsDirectory(folder)) platform::MakeDirectory(folder);
    platform::AtomicFile out;
    const std::string text = Text();
    return out.Open(path, platform::AtomicFile::Start::Empty) && out.Write(text.data(), text.size()) && out.Commit();
}

bool DelaySettings::NeedsLoader(int productId) const {
    std::string token;
    for (size_t i = 0; i <= loaderModels.size(); ++i) {
        const char c = i < loaderModels.size() ? loaderModels[i] : ',';
        if (c == ',' || c == ' ' || c == '\r' || c == '\n' || c == '\t') {
            if (!token.empty() && UsbModelId(token.c_str()) == productId && productId != 0) return true;
            token.clear();
        } else {
            token += c;
        }
    }
    return false;
}

std::string DelaySettingsFile(const std::string& programPath) {
    const std::string beside = platform::DirName(programPath);
    const std::string local = (beside.empty() ? std::string(".") : beside) + "/norvesk.ini";
    struct stat st;
    if (::stat(local.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return local;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && *config ? config : "";
    if (base.empty()) {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/Norvesk/norvesk.ini";
}

#include "transfer/sdcard/SdCard.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>

#include "platform/FileSystem.h"
#include "platform/Settings.h"

bool SdCard::IsLetter() const {
    return (drive.size() == 1 || (drive.size() == 2 && drive[1] == ':')) &&
           std::isalpha(static_cast<unsigned char>(drive[0]));
}

std::string SdCard::Label() const {
    return IsLetter() ? std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])))) + ":"
                      : root;
}

SdCard CardFromDrive(const std::string& drive, const platform::Settings& settings) {
    SdCard card;
    card.drive = drive;
    if (card.IsLetter()) {
        const std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
        card.root = platform::NormalizePath(settings.ReadString("Drives", letter));
    } else {
        card.root = platform::NormalizePath(drive);
    }
    return card;
}

bool CheckSdCard(const SdCard& card, const std::string& home, std::string& message) {
    const bool driveC = card.IsLetter() && (card.drive[0] == 'C' || card.drive[0] == 'c');
    char resolved[4096];
    const bool systemRoot = !card.root.empty() && ::realpath(card.root.c_str(), resolved) &&
                            std::string(resolved) == "/";
    if (driveC || systemRoot || card.root.empty() || ::chdir(card.root.c_str()) != 0) {
        message = "SD Card not recognised";
        if (::chdir(home.c_str()) != 0) {
            // The card's paths are absolute; the folder left current matters to Browse only.
        }
        return false;
    }
    bool taken = false;
    for (const std::string& name : platform::ListDirectory(".")) {
        if (::strcasecmp(name.c_str(), ".System") == 0 || ::strcasecmp(name.c_str(), "Garmin") == 0) taken = true;
    }
    if (::chdir(home.c_str()) != 0) {
        // As above.
    }
    if (taken) {
        message = "This drive has a .System folder";
        return false;
    }
    return true;
}

bool MakeCardFolders(const std::string& root, const std::string& folder, std::string& failed) {
    std::string path = root;
    const std::string levels = platform::NormalizePath(folder);
    size_t start = 0;
    while (start < levels.size()) {
        size_t end = levels.find('/', start);
        if (end == std::string::npos) end = levels.size();
        if (end > start) {
            path += "/" + levels.substr(start, end - start);
            path = platform::ResolveCase(path);
            if (!platform::IsDirectory(path) && !platform::MakeDirectory(path)) {
                failed = path;
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

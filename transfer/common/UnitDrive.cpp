#include "transfer/common/UnitDrive.h"

#include <cctype>

#include "platform/FileSystem.h"
#include "platform/Settings.h"

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

bool UnitDrive::IsLetter() const {
    return (field.size() == 1 || (field.size() == 2 && field[1] == ':')) &&
           std::isalpha(static_cast<unsigned char>(field[0]));
}

char UnitDrive::Letter() const { return IsLetter() ? Upper(field[0]) : 0; }

std::string UnitDrive::Label() const { return IsLetter() ? std::string(1, Letter()) + ":" : root; }

std::string UnitDrive::Path(const std::string& folder) const {
    const std::string levels = platform::NormalizePath(folder);
    if (levels.empty()) return root;
    return platform::ResolveCase(root + (root.empty() || root.back() != '/' ? "/" : "") + levels);
}

UnitDrive DriveFromField(const std::string& field, const platform::Settings& settings) {
    UnitDrive drive;
    drive.field = field;
    drive.root = platform::NormalizePath(drive.IsLetter() ? settings.ReadString("Drives", std::string(1, drive.Letter()))
                                                          : field);
    return drive;
}

bool MakeDriveFolders(const std::string& root, const std::string& folder, std::string& failed) {
    std::string path = root;
    const std::string levels = platform::NormalizePath(folder);
    size_t start = 0;
    while (start < levels.size()) {
        size_t end = levels.find('/', start);
        if (end == std::string::npos) end = levels.size();
        if (end > start) {
            path = platform::ResolveCase(path + "/" + levels.substr(start, end - start));
            if (!platform::IsDirectory(path) && !platform::MakeDirectory(path)) {
                failed = path;
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

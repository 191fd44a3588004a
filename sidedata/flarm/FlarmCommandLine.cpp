#include "sidedata/flarm/FlarmCommandLine.h"

#include <cstdlib>

#include "sidedata/flarm/FlarmRecord.h"
#include "sidedata/flarm/FlarmSave.h"

namespace {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

int DebugIncrement(const std::string& token) {
    if (token.size() > 2 && token.find_first_not_of("0123456789", 2) == std::string::npos) {
        return std::atoi(token.c_str() + 2);
    }
    return 1;
}

}  // namespace

bool ParseFlarmCommandLine(const std::vector<std::string>& args, FlarmOptions& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasNext = i + 1 < args.size();
        if (a.rfind("-d", 0) == 0) {
            o.debugLevel += DebugIncrement(a);
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--version") {
            if (hasNext && IsHexVersion(args[i + 1])) o.version = args[++i];
            else o.showVersion = true;
        } else if (a == "--list") {
            if (!hasNext) {
                error = "--list needs a file name";
                return false;
            }
            o.list = true;
            o.listInput = args[++i];
        } else if (a == "--convert") {
            o.convert = true;
            while (i + 1 < args.size() && !IsOption(args[i + 1])) o.inputs.push_back(args[++i]);
            if (o.inputs.empty()) {
                error = "--convert needs at least one input file";
                return false;
            }
        } else if (a == "--to") {
            if (i + 2 >= args.size()) {
                error = "--to needs a KIND and an output file";
                return false;
            }
            o.saveType = FlarmSaveTypeByOption(args[i + 1]);
            if (o.saveType == 0) {
                error = "unknown KIND for --to: " + args[i + 1] + " (bfn, flx, winpilot, naviter or dbtext)";
                return false;
            }
            o.output = args[i + 2];
            i += 2;
        } else if (IsOption(a)) {
            error = "unknown switch " + a;
            return false;
        } else {
            error = "unexpected argument " + a;
            return false;
        }
    }
    if (o.help || o.showVersion) return true;
    if (o.convert && o.saveType == 0) {
        error = "--convert needs --to KIND OUT";
        return false;
    }
    if (!o.convert && (o.saveType != 0 || !o.version.empty() || o.force)) {
        error = "--to, --version HEX6 and --force go with --convert";
        return false;
    }
    if (o.convert && o.list) {
        error = "--list and --convert cannot be used together";
        return false;
    }
    return true;
}

std::string FlarmHelpText() {
    std::string text = kGindralUsage;
    text += "\n"
            "Converts FLARM aircraft-identification databases: reads Butterfly, FlarmView, WinPilot,\n"
            "Naviter, DB text and OGN device files, merges their records by FLARM id and saves them.\n"
            "  --list IN                lists the records of a file (File>List)\n"
            "  --convert IN... --to KIND OUT\n"
            "                           opens each input in turn and saves the merged set as KIND:\n"
            "                           bfn, flx, winpilot, naviter or dbtext\n"
            "  --version HEX6           the version written into bfn, winpilot and naviter files\n"
            "  --force                  overwrites OUT without asking\n"
            "  -d, -dN                  raises the debug level by 1 or N\n"
            "  --headless, --answers FILE   no window; dialog answers from FILE\n"
            "Exit status: 0 done, 1 an input could not be read or nothing was written, 2 usage.\n";
    return text;
}

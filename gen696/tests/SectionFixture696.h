// Minimal section files for the tests that run Tessily's operations: the header block and one
// plain block of `plain` bytes in each other file; with `layout` set, the static file holds
// instead section 1's values (runway-definition length 9, picture length 14, approach fixed
// part 7), which the airport blocks need.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

#include "gen696/SectionFile696.h"

inline void WriteSectionFiles696(size_t plain, bool layout = false) {
    std::filesystem::create_directories("db50");
    const SectionFileDecl696* decls[] = {&kHdrFile696, &kStaFile696, &kNam2File696, &kTccFile696,
                                         &kSuaFile696, &kOddsFile696, &kTrlFile696};
    for (const SectionFileDecl696* decl : decls) {
        std::string data;
        int section = decl->sections.front();
        for (int n : decl->sections) {
            if (!RecordSection696(section)) break;
            section = n;
        }
        if (section == 0) {
            std::string header(520, '\0');
            header[512 + 1] = 2;   // entry 0: 512, 8, 104
            header[516] = 8;
            header[517] = 104;
            data = FormatDatHeader(decl->name, 0, 0, 0, 0x208) + header;
        } else if (layout && decl == &kStaFile696) {
            std::string values(60, '\0');
            values[2] = 9;
            values[6] = 14;
            values[38] = 7;
            data = FormatDatHeader(decl->name, 512 + 8, 30, 2, 60) + values;
        } else {
            data = FormatDatHeader(decl->name, 512 + 8 * section, static_cast<uint32_t>(plain), 1,
                                   static_cast<uint32_t>(plain)) +
                   std::string(plain, 'x');
        }
        data += FormatDatHeader(decl->name, 0, 0, 0, 0);
        std::ofstream(std::string("db50/") + decl->name + ".DAT", std::ios::binary) << data;
    }
}

#include "sidedata/flarm/AircraftModelTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sidedata/flarm/AircraftModelCache.h"

const char* const AircraftModelTable[kAircraftModelCount] = {
    "Astir CS",  // 000
    "Different Aircrafts",  // 001
    "Akaflieg Experimental",  // 002
    "Antares 18 T",  // 003
    "Antares 20 E",  // 004
    "ASG-29",  // 005
    "ASG-29E",  // 006
    "ASH-25",  // 007
    "ASH-25 EB",  // 008
    "ASH-25 MI",  // 009
    "ASH-26 E",  // 00A
    "ASH-30",  // 00B
    "ASK-13",  // 00C
    "ASK-21",  // 00D
    "ASK-21 MI",  // 00E
    "ASK-23",  // 00F
    "ASW-15",  // 010
    "ASW-19",  // 011
    "ASW-20",  // 012
    "ASW-22",  // 013
    "ASW-22 E",  // 014
    "ASW-24",  // 015
    "ASW-27",  // 016
    "ASW-28",  // 017
    "ASW-28 18",  // 018
    "ASW-28t",  // 019
    "Blanik",  // 01A
    "Calif A21S",  // 01B
    "Cirrus",  // 01C
    "DG-100",  // 01D
    "DG-1000",  // 01E
    "DG-1000 T",  // 01F
    "DG-200",  // 020
    "DG-300",  // 021
    "DG-400",  // 022
    "DG-500",  // 023
    "DG-600",  // 024
    "DG-800",  // 025
    "Model 026",  // 026
    "Model 027",  // 027
    "Discus",  // 028
    "Discus 2",  // 029
    "Discus 2t",  // 02A
    "Discus t",  // 02B
    "Duo Discus",  // 02C
    "Duo Discus t",  // 02D
    "Duo Discus x",  // 02E
    "Duo Discus xt",  // 02F
    "EB 28",  // 030
    "Eta",  // 031
    "Experimental",  // 032
    "GG-300",  // 033
    "Glasfluegel 304",  // 034
    "Glasfluegel 304S",  // 035
    "Glasfluegel 304S T",  // 036
    "Grob Astir CS",  // 037
    "Grob Club Astir",  // 038
    "Grob Speed Astir",  // 039
    "Grob Twin Astir I",  // 03A
    "Grob Twin Astir II",  // 03B
    "Grob Twin Astir III",  // 03C
    "Model 03D",  // 03D
    "Helicopter",  // 03E
    "Janus",  // 03F
    "JS-1 Revelation",  // 040
    "Junior",  // 041
    "Ka-6",  // 042
    "Ka-7",  // 043
    "Ka-8",  // 044
    "Kestrel",  // 045
    "Libelle",  // 046
    "LibelleClub",  // 047
    "LibelleStd.",  // 048
    "LS-1",  // 049
    "LS-1 f",  // 04A
    "LS-10",  // 04B
    "Model 04C",  // 04C
    "LS-3",  // 04D
    "LS-4",  // 04E
    "LS-6",  // 04F
    "LS-6 18",  // 050
    "LS-7",  // 051
    "LS-8",  // 052
    "LS-8 18",  // 053
    "LS-8 st",  // 054
    "LS-9",  // 055
    "MDM-1 Fox",  // 056
    "Mini Nimbus",  // 057
    "Motorglider",  // 058
    "Motorplane",  // 059
    "Model 05A",  // 05A
    "Nimbus 2",  // 05B
    "Nimbus 3",  // 05C
    "Nimbus 3D",  // 05D
    "Nimbus 3DM",  // 05E
    "Nimbus 4",  // 05F
    "Nimbus 4D",  // 060
    "Nimbus 4DM",  // 061
    "Oldtimer",  // 062
    "Paraglider",  // 063
    "Phoebus",  // 064
    "Pirat",  // 065
    "Puchacz",  // 066
    "Model 067",  // 067
    "SZD-55",  // 068
    "Ultralight",  // 069
    "Ultralight Glider",  // 06A
    "Ventus",  // 06B
    "Ventus 2",  // 06C
    "Ventus 2cM",  // 06D
    "Ventus 2ct",  // 06E
    "Ventus 2M",  // 06F
    "Model 070",  // 070
    "Ventus c",  // 071
    "Ventus cM",  // 072
    "Ventus ct",  // 073
    "Model 074",  // 074
    "Ventus t",  // 075
    "Ventus 2cxT",  // 076
    "PIK-20 D",  // 077
    "Model 078",  // 078
    "LAK 19",  // 079
    "SF-27",  // 07A
    "Robin DR 400",  // 07B
    "Pilatus B4",  // 07C
    "Sperber RF 5",  // 07D
    "Cessna 172",  // 07E
    "SZD 41 Jantar Std",  // 07F
    "Mosquito",  // 080
    "Hornet",  // 081
    "Pegasus",  // 082
    "Bergfalke III",  // 083
    "Towplane",  // 084
    "Stemme S10",  // 085
    "SF-25",  // 086
    "ASK-16",  // 087
    "PA-18",  // 088
    "PA-25",  // 089
    "Grob Astir CS-77",  // 08A
    "Std. Austria SH1",  // 08B
    "SB5 e",  // 08C
    "SB5 b",  // 08D
    "Std. Cirrus",  // 08E
    "PIK-20 E",  // 08F
    "Zugvogel IIIa",  // 090
    "Ventus 2cxM",  // 091
    "Mistral",  // 092
    "Bergfalke IV",  // 093
    "Baby",  // 094
    "LAK-17 A",  // 095
    "LAK-17 B",  // 096
    "LAK-17 AT",  // 097
    "LAK-17 BT",  // 098
    "LAK-19 T",  // 099
    "Model 09A",  // 09A
    "Model 09B",  // 09B
    "Model 09C",  // 09C
    "Cessna 182 Skylane",  // 09D
    "Diamant",  // 09E
    "L-Spatz 55",  // 09F
    "Ventus bT",  // 0A0
    "Ventus 2CX",  // 0A1
    "Ventus 2CXa",  // 0A2
    "Piccolo B",  // 0A3
    "Discus 2cT",  // 0A4
    "Elfe S4D",  // 0A5
    "SZD-36 Cobra",  // 0A6
    "SB-12",  // 0A7
    "DG-303",  // 0A8
    "Ventus 2bx",  // 0A9
    "SZD-59 Acro",  // 0AA
    "Bergfalke II",  // 0AB
    "L-Spatz III",  // 0AC
    "ASH-31 Mi",  // 0AD
    "PW-5",  // 0AE
    "H36 Dimona",  // 0AF
    "HK36 Super Dimona",  // 0B0
    "Carat",  // 0B1
    "Taurus",  // 0B2
    "LS-8a",  // 0B3
    "Marianne",  // 0B4
    "Pegase",  // 0B5
    "DynAero MCR-01",  // 0B6
    "DynAero MCR-4S",  // 0B7
    "Ka-2",  // 0B8
    "Foka",  // 0B9
    "Wilga",  // 0BA
    "Cessna 305",  // 0BB
    "Arcus T",  // 0BC
    "ASW-17",  // 0BD
    "Sport Vega",  // 0BE
    "Model 0BF",  // 0BF
    "Salto H101",  // 0C0
    "Carmam M-200",  // 0C1
    "WT9 Dynamic",  // 0C2
    "Grob Jeans Astir",  // 0C3
    "Morane MS892",  // 0C4
    "Model 0C5",  // 0C5
    "SHK-1",  // 0C6
    "Model 0C7",  // 0C7
    "Model 0C8",  // 0C8
    "Genesis 2",  // 0C9
    "Discus 2c",  // 0CA
    "Arcus M",  // 0CB
    "Apis 2",  // 0CC
    "Quintus",  // 0CD
    "ASW-24 E",  // 0CE
    "Model 0CF",  // 0CF
    "Groundstation",  // 0D0
    "Grob Std. Astir II",  // 0D1
    "Elfe S4",  // 0D2
    "Zugvogel IIIb",  // 0D3
    "ASK-18",  // 0D4
    "Model 0D5",  // 0D5
    "DG-808 B",  // 0D6
    "DG-808 C",  // 0D7
    "DG-505",  // 0D8
    "Arcus E",  // 0D9
    "Mustang (UL)",  // 0DA
    "PIK-20 B",  // 0DB
    "Slingsby Skylark 4",  // 0DC
    "Model 0DD",  // 0DD
    "Aquila A210",  // 0DE
    "Vans RV-9",  // 0DF
    "Duo Discus xlt",  // 0E0
    "AutoGyro MTOsport",  // 0E1
    "Nimbus 4DT",  // 0E2
    "AVo-68 Samburo",  // 0E3
    "Model 0E4",  // 0E4
    "Jantar Std. 2 WL",  // 0E5
    "Model 0E6",  // 0E6
    "SZD-9 Bocian",  // 0E7
    "Grob G109",  // 0E8
    "Sinus",  // 0E9
    "Vans RV-12",  // 0EA
    "Silent 2 Targa",  // 0EB
    "LAK-12",  // 0EC
    "Glasfluegel H301",  // 0ED
    "Ikarus C42 B",  // 0EE
    "Ikarus C42 C",  // 0EF
    "Antares 18s",  // 0F0
    "Roland Z602 XL",  // 0F1
    "Model 0F2",  // 0F2
    "Remos GX",  // 0F3
    "FK14",  // 0F4
    "Skylane Airlony",  // 0F5
    "PA-28",  // 0F6
    "Aeroprakt A22-L2",  // 0F7
    "Bellanca Citabria",  // 0F8
    "Columbia 350",  // 0F9
    "Cessna 150",  // 0FA
    "Pioneer 300",  // 0FB
    "Valentin Kiwi",  // 0FC
    "EB 29",  // 0FD
    "HPH 304S Shark",  // 0FE
    "Model 0FF",  // 0FF
    "SZD 38 Jantar",  // 100
    "LS-8 st 18",  // 101
    "Cessna 208",  // 102
    "AMT-100 Ximango",  // 103
    "HPH 304C",  // 104
    "DFS Reiher",  // 105
    "Model 106",  // 106
    "Ventus 2cxa FES",  // 107
    "Duo Discus xl",  // 108
    "Model 109",  // 109
    "Slingsby Vega 15m",  // 10A
    "Model 10B",  // 10B
    "Husky A-1",  // 10C
    "Zodiac CH601XL",  // 10D
    "Model 10E",  // 10E
    "Model 10F",  // 10F
    "Banjo",  // 110
    "AA-5 Traveller",  // 111
    "Jantar Std. 3",  // 112
    "Model 113",  // 113
    "Grob Std. Astir III",  // 114
    "Model 115",  // 115
    "Vulcanair P68C",  // 116
    "PW-6",  // 117
    "DA40",  // 118
    "Supermarine Spitfire",  // 119
    "Hawker Hurricane",  // 11A
    "DHC-1 Chipmunk",  // 11B
    "Europa XS",  // 11C
    "Socata TB-20",  // 11D
    "Model 11E",  // 11E
    "Pilatus PC-6",  // 11F
    "SF-34",  // 120
    "SNC-34",  // 121
    "Eurostar EV97",  // 122
    "SFS-31 Milan",  // 123
    "Nimbus 3DT",  // 124
    "D 140",  // 125
    "CB 15",  // 126
    "Cessna 177",  // 127
    "SF-28",  // 128
    "Socata MS893E",  // 129
    "Cessna 206",  // 12A
    "Vans RV-8",  // 12B
    "Vans RV-6a",  // 12C
    "DA20 Katana",  // 12D
    "DV20 Katana",  // 12E
    "Robin DR 300 R",  // 12F
    "Cessna 120",  // 130
    "L 13 SEH Vivat",  // 131
    "LCA-10 Topaze",  // 132
    "Model 133",  // 133
    "Cessna 152",  // 134
    "Model 135",  // 135
    "Jodel D120",  // 136
    "Piaggio P.149",  // 137
    "Socata TB-10",  // 138
    "Douglas Dakota III",  // 139
    "Avro Lancaster B1",  // 13A
    "YAK-52",  // 13B
    "Antares 23 E",  // 13C
    "Model 13D",  // 13D
    "Model 13E",  // 13E
    "SZD-42-2 Jantar 2B",  // 13F
    "Model 140",  // 140
    "A380",  // 141
    "IS-28",  // 142
    "Model 143",  // 143
    "SC01 Speed-Canard",  // 144
    "Choucas",  // 145
    "ASG-32 MI",  // 146
    "Socata R235",  // 147
    "LS-1 d",  // 148
    "Jodel D113",  // 149
    "Model 14A",  // 14A
    "Discus bt",  // 14B
    "Eurofox",  // 14C
};

std::string AircraftModelName(unsigned code) {
    if (code < kAircraftModelCount) return AircraftModelTable[code];
    char text[24];
    std::snprintf(text, sizeof text, "Model %03X", code);
    return text;
}

AircraftModelMatch FindAircraftModel(const char* text) {
    if (std::strncmp(text, "Model ", 6) == 0) {
        unsigned long code = std::strtoul(text + 6, nullptr, 16);
        return {static_cast<unsigned>(code & kAircraftModelCodeMask), true};
    }
    if (*text == '\0') return {1, true};
    int prefix = -1;
    int substring = -1;
    size_t length = std::strlen(text);
    for (unsigned code = 0; code < kAircraftModelCount; ++code) {
        const char* name = AircraftModelTable[code];
        if (std::strcmp(name, text) == 0) return {code, true};
        if (prefix < 0) {
            size_t nameLength = std::strlen(name);
            size_t shorter = nameLength < length ? nameLength : length;
            if (std::strncmp(name, text, shorter) == 0) prefix = static_cast<int>(code);
        }
        if (substring < 0 && std::strstr(name, text)) substring = static_cast<int>(code);
    }
    if (prefix >= 0) return {static_cast<unsigned>(prefix), false};
    if (substring >= 0) return {static_cast<unsigned>(substring), false};
    return {1, false};
}

unsigned LookupAircraftModel(const FlarmRecord& record, const std::function<void(const std::string&)>& debugLine,
                             AircraftModelCache* cache) {
    const AircraftModelMatch match = cache ? cache->Find(record.TYPE) : FindAircraftModel(record.TYPE);
    if (!match.exact && debugLine) {
        char line[96];
        std::snprintf(line, sizeof line, "Used \"%s\" for \"%s\"", AircraftModelName(match.code).c_str(), record.TYPE);
        debugLine(line);
    }
    return match.code;
}

#include "gen696/CreateImage696.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "common/CLocale.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/createimage/CreateImage.h"
#include "gen/createimage/CreateImageBuild.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/NameCoder.h"
#include "gen/image/RunwayPicture.h"
#include "gen/shell/GenExit.h"
#include "gen/image/ApproachId.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/SerialMap.h"
#include "gen696/AirportBlock696.h"
#include "gen696/AirwayGrid696.h"
#include "gen696/AirwayPoints696.h"
#include "gen696/ApproachGroup696.h"
#include "gen696/CompileSua696.h"
#include "gen696/ImageFile696.h"
#include "gen696/LocalWaypoint696.h"
#include "gen696/Remarks696.h"
#include "gen696/PointIndexes696.h"
#include "gen696/PointSections696.h"
#include "gen696/PointTraits696.h"
#include "gen696/RecordRanges696.h"
#include "gen696/SectionFile696.h"
#include "gen696/SerialSet696.h"
#include "gen696/Settings696.h"
#include "platform/BulkMemory.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

const char* const kCreateImageTexts696[39] = {
    "Initialising image file",
    "Counting countries",
    "Scanning city and facility names",
    "Counting APIDs",
    "Counting APTS",
    "Scanning APTS",
    "Counting INTS",
    "Scanning INTS",
    "Counting NDBS",
    "Scanning NDBS",
    "Counting VORS",
    "Scanning VORS",
    "Counting FSS/TCCS",
    "Counting SUAS",
    "Flagging unused name records",
    "Flagging used approach records",
    "Copying static data",
    "Writing country table to image file",
    "Writing names table to image file",
    "Writing second names table to image file",
    "Writing Approach ID table to image file",
    "Writing odds/text to image file",
    "Writing FSS/TCC Section to image file",
    "Writing INT records to image file",
    "Writing INT indexes to image file",
    "Writing NDB records to image file",
    "Writing NDB indexes to image file",
    "Writing VOR records to image file",
    "Writing VOR indexes to image file",
    "Writing RWY/COM/APPR info table to image file",
    "Writing APT records to image file",
    "Writing APT indexes to image file",
    "Writing SUA Section to image file",
    "Writing AIRWAYS records to image file",
    "Writing AIRWAYS waypoint index to image file",
    "Writing AIRWAYS grid to image file",
    "Writing trailer to image file",
    "Writing Header to image file",
    "Calculating Sumcheck bytes",
};

namespace {

// The run's large tables: filled a record at a time, they take their memory in huge pages.
template <class T>
using Table = std::vector<T, platform::BulkAllocator<T>>;

constexpr const char* kEmptyDatabaseText = "Your ISAM database (on your PC) is empty, do you want to continue ?";
constexpr const char* kRunwayExtrasFile = "rwyextras.txt";
constexpr int kDefaultPicsLen = 14;
constexpr uint32_t kMaxCountries = 512;
constexpr int kSectionCountries = 2;
constexpr int kSectionNames = 3;
constexpr int kSectionApproachIds = 11;
constexpr uint32_t kLongestLetterBits = 9;   // the escape and five bits
// The point type of a kind as airway points and approaches number them (1 INT, 2 NDB, 3 VOR).
constexpr PointType696 kPointTypes[4] = {kApt696, kInt696, kNdb696, kVor696};

bool AskYesNo(const std::string& text) {
    return platform::ShowMessage(text, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

std::string Framed(const std::string& text) { return "*** " + text + " ***"; }

std::string DbFolder(const OperationContext& c) { return c.app ? c.app->GetDbFolder() : std::string("."); }

// Room to make for the records of a file: as many as its next serial number says, within
// reason (a damaged file's serial numbers may run far beyond its records).
size_t RecordRoom(const OperationContext& c, int file) {
    return static_cast<size_t>(std::clamp(c.nextSerial[file], 0, 1 << 22));
}

// Every record of a file, in the order of one of its indexes.
template <class Rec>
Table<Rec> AllRecords(const OperationContext& c, const char* index) {
    Table<Rec> out;
    out.reserve(RecordRoom(c, Rec::File::kFileNumber) + 1);   // and the place the end finds empty
    dbif_index<Rec>(index);
    // Each record read straight into its place.
    for (bool found = dbif_first(out.emplace_back()); found; found = dbif_next(out.emplace_back())) {
    }
    out.pop_back();
    return out;
}

// The approach ID of an approach record: its first five characters.
std::string ApproachIdText(const ApprRecord& p) {
    return std::string(p.pid, strnlen(p.pid, sizeof p.pid)).substr(0, kApproachIdLength);
}

// An approach ID (at most five characters, no NUL) as one number.
uint64_t ApproachIdKey(const char* text, size_t length) {
    uint64_t key = 0;
    for (size_t i = 0; i < length && i < kApproachIdLength; ++i) key |= uint64_t{static_cast<uint8_t>(text[i])} << (8 * i);
    return key;
}
uint64_t ApproachIdKey(const ApprRecord& p) { return ApproachIdKey(p.pid, strnlen(p.pid, sizeof p.pid)); }

// The state of one Create Image run.
struct Run696 {
    explicit Run696(int fd) : image(fd) {}
    // Declared first, so gone last: the large tables' memory, kept from table to table during
    // the run, goes back to the system with the run.
    platform::BulkKeeping keepTables;
    ImageFile696 image;
    DatFileCopy696 copy;
    SectionLinks696 links;
    FILE* runwayExtras = nullptr;
    int picsLen = kDefaultPicsLen;
    int rwDefLen = 0;
    uint32_t countryCount = 0;
    std::vector<int32_t> cmap;   // the country serial number of each table position
    uint32_t nameCount = 0;
    int32_t highestName = -1;
    std::vector<uint8_t> nsocc;   // one byte per name serial number
    uint32_t keptNames = 0;
    // Where each written name begins in the names table (bit position), by serial number.
    Table<uint32_t> namePos;
    Table<uint8_t> names;   // the names table being coded
    uint32_t namesBit = 0;
    uint32_t namesWritten = 0;   // entries of keptNameList done
    uint32_t namesCoded = 0;     // names in the table
    uint32_t namesStart = 0;
    // Every name's text and serial number, as read.
    struct NameText {
        char text[sizeof NameRecord::nname];
        int32_t nsno;
    };
    Table<NameText> nameTexts;
    // The kept names in the order they are coded: the text's first 16 bytes as two numbers (the
    // sort's first keys), the coded text and the serial number (-1: the blank that stands for
    // "no name").
    struct KeptName {
        uint64_t key;
        uint64_t key2;
        const char* text;
        int32_t serial;
    };
    Table<KeptName> keptNameList;
    int32_t blankName = -1;   // the serial number of the blank name, -1 when there is none
    bool needBlank = false;   // a record without a name, and no blank name in the names file
    SerialMap countryIndex;   // country serial -> table position
    // Per point type (APT, INT, NDB, VOR): the serial numbers in ident order (= record
    // numbers), the count with a second name, and what the indexes are built from.
    struct Points {
        SerialMap map;
        uint32_t withSecond = 0;
        uint32_t recsStart = 0;
        uint32_t x1[kX1Entries696];
        Table<IndexedPoint696> indexed;
    } points[4];
    // Per airport (record number): the information value and whether it is a block offset.
    PointIndexes696 built;   // the indexes of the type being written
    std::vector<uint32_t> aptInfo;
    // The runway extras by runway serial number: picture-flag bit 4 and the extra bytes.
    struct Extras {
        bool more = false;
        std::vector<uint8_t> bytes;
    };
    std::unordered_map<int32_t, Extras> extras;
    uint32_t infoStart = 0;
    // Section 10 worked out on a thread of its own from the static data's step to its own: the
    // blocks, and the airport whose fault stops the work with its text.
    struct AirportInfo {
        Table<uint8_t> blocks;
        uint32_t failAt = UINT32_MAX;
        std::string failText;
    } info;
    bool infoPrepared = false;
    bool infoStarted = false;
    std::thread infoWork;
    uint32_t rwDefLenImage = 0;   // section 1, value 1, as copied into the image
    // Airways, made ready before the INT, NDB and VOR records are written, so that each takes
    // its airway field at once: the points of section 46 with their references made record
    // numbers (up to the first that names a point the image lacks, which stops the airways
    // step), the waypoint index, and per record its first entry there.
    bool airwaysReady = false;
    Table<uint8_t> airwayPoints;
    uint32_t missingPoint = UINT32_MAX;   // the first point naming a point the image lacks
    std::string missingText;
    uint32_t airwayStart = 0;
    uint32_t airwayCount = 0;
    struct WaypointUse {
        uint32_t type;      // 1 INT, 2 NDB, 3 VOR
        uint32_t recno;
        uint32_t position;  // in section 46
    };
    Table<WaypointUse> waypointUses;
    bool useBeyondRecords = false;    // an entry names a record number past its section
    size_t nextUse = 0;               // the entry of the record being written, or one past it
    // The positions of INT, NDB and VOR records as they are written, for the airway grid.
    Table<std::pair<int32_t, int32_t>> positions[4];
    // The approach records in airport order (from step 3), the runway records (from step 15,
    // which looks for approaches' runways in them), and for the airport information step the
    // frequency and restriction records, each file read once in the order of its airport or
    // serial index.
    Table<ApprRecord> approachRecs;
    Table<RwyRecord> runwayRecs;
    Table<FreqRecord> freqRecs;
    Table<RestrRecord> restrRecs;
    // The records of each airport (approaches, runways, frequencies) and each restriction
    // serial number in those tables.
    RecordRanges696<ApprRecord> approachesOf;
    RecordRanges696<RwyRecord> runwaysOf;
    RecordRanges696<FreqRecord> frequenciesOf;
    RecordRanges696<RestrRecord> restrictionsOf;
    // The local waypoints by serial number (the first of a number in its index).
    std::unordered_map<int32_t, LwptRecord> localWaypoints;
    AirportBlockInput696 airportIn;   // the airport in hand and its block
    std::vector<uint8_t> airportBlock;
    // Work tables of an airport, their room kept from airport to airport.
    std::vector<uint8_t> restrictionForm;
    std::vector<const ApprRecord*> usedApproaches;
    std::vector<std::pair<int32_t, ApproachEntry696>> approachSlots;   // by sequence number
    // The records of each point type in ident order, kept from counting to writing.
    std::tuple<Table<AptRecord>, Table<IntRecord>, Table<NdbRecord>, Table<VorRecord>> stored;
    std::vector<uint8_t> aptHasBlock;
    // Approaches: the distinct IDs, and per approach serial number whether the image takes it.
    ApproachIdTable approachIds;
    std::unordered_map<uint64_t, uint32_t> approachIdIndex;   // by ApproachIdKey
    std::vector<uint8_t> apocc;
    // Sections 74 and 73, worked out from the airway points and the positions (which stay as
    // they are meanwhile) on a thread of their own from the INT records' step to the grid's.
    struct GridSections {
        bool ok = true;   // false: a point past the records of its type
        std::vector<uint8_t> lists;
        std::vector<uint8_t> runs;
        uint32_t entries = 0;
        uint32_t count = 0;
    } grid;
    bool gridStarted = false;
    std::thread gridWork;
    // The names table and where each name begins, worked out on a thread of their own from the
    // names flagged (which stay as they are meanwhile) to the names step.
    bool namesStarted = false;
    bool namesReady = false;   // the names step has taken them: where each name begins is known
    std::thread namesWork;
    ~Run696() {
        if (gridWork.joinable()) gridWork.join();
        if (namesWork.joinable()) namesWork.join();
        if (infoWork.joinable()) infoWork.join();
        if (runwayExtras) std::fclose(runwayExtras);
    }
};

class State696 {
public:
    std::shared_ptr<Run696> run;
    // Steps under way (a step's message box may let another call run), and the runs that
    // ended meanwhile: they go when the last of those steps returns.
    int depth = 0;
    std::vector<std::shared_ptr<Run696>> ended;
    // Lets go of the image a finished run replaced, whose blocks are freed as it goes.
    std::thread replacedRelease;
    ~State696() {
        if (replacedRelease.joinable()) replacedRelease.join();
    }
};

// The image file that the one being finished is to replace, held open (without a share lock,
// which would keep the replacement out) so that the replacement does not free its blocks: the
// descriptor, -1 when there is no such regular file.
int HoldReplacedImage(const std::string& name) {
    const int fd = ::open(platform::ResolveCase(platform::NormalizePath(name)).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The run ends: it goes at once, or when the last step under way returns.
void EndRun(State696& state) {
    if (state.depth > 0 && state.run) state.ended.push_back(std::move(state.run));
    state.run.reset();
}

using Step696 = StepStatus (*)(OperationContext&, Run696&);

StepStatus Abort(OperationContext& c, const std::string& message) { return AbortCreateImage(c, message); }

StepStatus WriteFailed(OperationContext& c) { return Abort(c, Framed("Cannot write " + c.imageName)); }

// One piece of a section file copied into the image; the file's end ends the step.
StepStatus CopyPiece(OperationContext& c, Run696& r, const SectionFileDecl696& decl) {
    std::string error;
    const DatFileCopy696::Result result =
        r.copy.Piece(DbFolder(c), decl, r.image, r.links, TessilySettings().areaCode, r.picsLen, &error);
    switch (result) {
    case DatFileCopy696::Result::Again: return StepStatus::Again;
    case DatFileCopy696::Result::Done: return StepStatus::Next;
    case DatFileCopy696::Result::Failed: break;
    }
    r.copy.Close();
    return Abort(c, Framed(error));
}

void OpenRunwayExtras(const OperationContext& c, Run696& r) {
    r.picsLen = kDefaultPicsLen;
    std::string path;
    if (!platform::FileExists(DbFolder(c) + "/" + kRunwayExtrasFile, &path)) return;
    r.runwayExtras = std::fopen(path.c_str(), "rb");
    if (!r.runwayExtras) return;
    char line[160];
    if (std::fgets(line, sizeof line, r.runwayExtras)) std::sscanf(line, "PICSLEN=%d", &r.picsLen);
    if (std::fgets(line, sizeof line, r.runwayExtras)) std::sscanf(line, "RWDEFLEN=%d", &r.rwDefLen);
    // The runway lines, read once: "RW=%x|%d,%d|" and the bytes one every 3 characters.
    while (std::fgets(line, sizeof line, r.runwayExtras)) {
        unsigned serial = 0;
        int first = 0;
        int second = 0;
        if (std::sscanf(line, "RW=%x|%d,%d|", &serial, &first, &second) != 3 || first < 0 || second < 0 ||
            first + second > static_cast<int>(kRunwayExtraBytes696)) {
            continue;
        }
        Run696::Extras e;
        e.more = second != 0;
        const size_t length = std::strlen(line);
        for (int k = 0; k < first + second; ++k) {
            const size_t at = 14 + 3 * static_cast<size_t>(k);
            unsigned value = 0;
            if (at + 2 > length || std::sscanf(line + at, "%2x", &value) != 1) break;
            e.bytes.push_back(static_cast<uint8_t>(value));
        }
        r.extras[static_cast<int32_t>(serial)] = std::move(e);
    }
    std::fclose(r.runwayExtras);
    r.runwayExtras = nullptr;
}

StepStatus StepInitialise(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
        NameRecord name{};
        dbif_index<NameRecord>("nsno");
        if (!dbif_first(name) && !AskYesNo(kEmptyDatabaseText)) return Abort(c, "");
        if (!r.image.ZeroDirectory()) return WriteFailed(c);
        InitBatchSerials(c.nextSerial);
        OfferNewAirspaceFile(c, "NewSUA+.dat", kSuaFinalFile696);
        OpenRunwayExtras(c, r);
    }
    return CopyPiece(c, r, kHdrFile696);
}

StepStatus StepCountCountries(OperationContext& c, Run696& r) {
    CountryRecord rec{};
    if (c.calls == 0) {
        dbif_index<CountryRecord>("csno");
        if (!dbif_first(rec)) return StepStatus::Next;
    } else if (!dbif_next(rec)) {
        return StepStatus::Next;
    }
    if (++r.countryCount > kMaxCountries) {
        return Abort(c, "The image format does not allow more than 512 countries");
    }
    return StepStatus::Again;
}

StepStatus StepScanNames(OperationContext& c, Run696& r) {
    NameRecord rec{};
    if (c.calls == 0) r.nameTexts.reserve(RecordRoom(c, kFileNames));
    const bool found = c.calls == 0 ? (dbif_index<NameRecord>("nsno"), dbif_first(rec)) : dbif_next(rec);
    if (!found) {
        r.nsocc.assign(static_cast<size_t>(r.highestName + 1), 0);
        dbif_close<NameRecord>();   // the texts are kept; a closed file gives its cached pages back
        return StepStatus::Next;
    }
    ++r.nameCount;
    if (rec.nsno > r.highestName) r.highestName = rec.nsno;
    rec.nname[sizeof rec.nname - 1] = 0;
    Run696::NameText& t = r.nameTexts.emplace_back();
    std::memcpy(t.text, rec.nname, sizeof t.text);
    t.nsno = rec.nsno;
    if (r.blankName < 0 && rec.nname[std::strspn(rec.nname, " ")] == 0) r.blankName = rec.nsno;
    return StepStatus::Again;
}

// Flags a name that a carried-over record names; a number beyond the names file stops the program.
void FlagName(Run696& r, uint32_t number, const char* kind) {
    if (number == kNoNameNumber696) return;
    if (static_cast<int64_t>(number) > r.highestName) {
        ProgramError(StringFormatC("Program error: %s value (%d) too large", kind, static_cast<int>(number)));
    }
    r.nsocc[number] = 1;
}

StepStatus FlagSectionFileNames(OperationContext& c, Run696& r, const SectionFileDecl696& decl) {
    std::string error;
    const bool ok = VisitDatRecords696(
        DbFolder(c), decl, {29, 33, 39, 40}, [&r](int section, const uint8_t* rec, size_t size) {
            if (section == 29 && size >= 9) FlagName(r, rec[6] | (rec[7] << 8) | (rec[8] << 16), "FSS name");
            if (section == 33 && size >= 19) FlagName(r, rec[10] | (rec[11] << 8) | (rec[18] << 16), "TCC name");
            if ((section == 39 || section == 40) && size >= 27) {
                FlagName(r, rec[21] | (rec[22] << 8) | (rec[23] << 16), "controller name");
                FlagName(r, rec[24] | (rec[25] << 8) | (rec[26] << 16), "airspace name");
            }
        },
        &error);
    if (!ok) return Abort(c, Framed(error));
    return StepStatus::Next;
}

// A point record's name: a missing one keeps the blank name in the table, for the pointer
// that stands for "no name" decodes as blank.
void FlagPointName(Run696& r, int32_t number, const char* kind) {
    if (number < 0) {
        if (r.blankName >= 0) {
            r.nsocc[static_cast<size_t>(r.blankName)] = 1;
        } else {
            r.needBlank = true;
        }
        return;
    }
    FlagName(r, static_cast<uint32_t>(number), kind);
}

bool HasName(const Run696& r, int32_t number) { return number >= 0 && number != r.blankName; }

template <class Rec>
StepStatus StepCountPoints(OperationContext& c, Run696& r) {
    using T = PointTraits696<Rec>;
    Run696::Points& p = r.points[T::kType];
    Table<Rec>& stored = std::get<Table<Rec>>(r.stored);
    if (c.calls == 0) {
        p.map = SerialMap{};
        p.withSecond = 0;
        stored.clear();
        // The highest serial number bounds the count (and the place the end finds empty).
        const size_t room = RecordRoom(c, Rec::File::kFileNumber);
        p.map.Reserve(room);
        stored.reserve(room + 1);
        dbif_index<Rec>(T::kIdentIndex);
    }
    // The record read straight into its place.
    Rec& rec = stored.emplace_back();
    if (!(c.calls == 0 ? dbif_first(rec) : dbif_next(rec))) {
        stored.pop_back();
        dbif_close<Rec>();
        if (T::kType == kApt696) {
            r.aptInfo.assign(p.map.Count(), 0);
            r.aptHasBlock.assign(p.map.Count(), 0);
        }
        return StepStatus::Next;
    }
    if (p.map.Count() >= kNoAirway696) {
        return Abort(c, Framed(StringFormatC("%s: more than %u records do not fit an 18-bit record number",
                                             kPointLayouts696[T::kType].name, kNoAirway696)));
    }
    p.map.Add(T::Serial(rec));
    FlagPointName(r, T::First(rec), T::kFirstKind);
    FlagPointName(r, T::Second(rec), T::kSecondKind);
    if (HasName(r, T::Second(rec))) ++p.withSecond;
    return StepStatus::Again;
}

// The map of each point type is filled while counting.
StepStatus StepScanned(OperationContext&, Run696&) { return StepStatus::Next; }

// The pointer of a name: a missing one is the table's first bit, which is the blank name.
bool NamePointerOf(Run696& r, int32_t number, NamePointer696* out, std::string* error) {
    if (number < 0) {
        *out = {0, 7};
        return true;
    }
    if (static_cast<size_t>(number) >= r.namePos.size() || r.namePos[static_cast<size_t>(number)] == UINT32_MAX) {
        *error = StringFormatC("Program error: cannot find name sno %d", number);
        return false;
    }
    const uint32_t pos = r.namePos[static_cast<size_t>(number)];
    if (pos / 8 > 0x1FFFFF) {
        *error = StringFormatC("name sno %d: offset %x does not fit its 21 bits", number, pos / 8);
        return false;
    }
    *out = {pos / 8, 7 - static_cast<int>(pos % 8)};
    return true;
}

ImageResult PackPoint(Run696& r, const AptRecord& a, const PointHead696& h, uint32_t n, uint8_t* rec) {
    return PackApt696(a, h, r.aptInfo[n], r.aptHasBlock[n] != 0, rec);
}
ImageResult PackPoint(Run696&, const IntRecord& i, const PointHead696& h, uint32_t, uint8_t* rec) {
    return PackInt696(i, h, rec);
}
ImageResult PackPoint(Run696&, const NdbRecord& b, const PointHead696& h, uint32_t, uint8_t* rec) {
    return PackNdb696(b, h, rec);
}
ImageResult PackPoint(Run696&, const VorRecord& v, const PointHead696& h, uint32_t, uint8_t* rec) {
    return PackVor696(v, h, rec);
}

// The positions of a type's records as they will be written, in record order, for the airway grid.
template <class Rec>
void StorePositions(Run696& r) {
    using T = PointTraits696<Rec>;
    Table<std::pair<int32_t, int32_t>>& positions = r.positions[T::kType];
    positions.clear();
    positions.reserve(std::get<Table<Rec>>(r.stored).size());
    for (const Rec& rec : std::get<Table<Rec>>(r.stored)) {
        uint8_t head[8] = {};
        PackPosition696(head, T::Lat(rec), T::Lon(rec));
        int32_t lat = 0;
        int32_t lon = 0;
        UnpackPosition696(head, &lat, &lon);
        positions.emplace_back(lat, lon);
    }
}

void StartAirwayGrid(Run696& r);

// The INT, NDB and VOR positions stored, the airway points read once, their INT, NDB and VOR
// references made record numbers, and the waypoint index sorted: by type (VOR, NDB, INT),
// record number and position, a point that follows its airway's head standing at the head.
void PrepareAirways(Run696& r) {
    r.airwaysReady = true;
    StorePositions<IntRecord>(r);
    StorePositions<NdbRecord>(r);
    StorePositions<VorRecord>(r);
    r.airwayPoints.clear();
    dbif_open<AwpsRecord>();
    AwpsRecord w{};
    dbif_index<AwpsRecord>("wpsno");
    for (bool found = dbif_first(w); found; found = dbif_next(w)) {
        r.airwayPoints.insert(r.airwayPoints.end(), w.wprec, w.wprec + 6);
    }
    dbif_close<AwpsRecord>();
    const uint32_t total = static_cast<uint32_t>(r.airwayPoints.size() / 6);
    r.missingPoint = UINT32_MAX;
    for (uint32_t i = 0; i < total; ++i) {
        uint8_t* rec = &r.airwayPoints[i * 6];
        const uint32_t type = rec[0] >> 6;
        if ((rec[0] & 1) != 0 || type == 0) continue;
        const uint32_t serial = (rec[1] | rec[2] << 8 | rec[3] << 16) & 0x3FFFF;
        uint32_t recno = 0;
        if (!r.points[kPointTypes[type]].map.Find(static_cast<int32_t>(serial), &recno)) {
            r.missingPoint = i;
            r.missingText = StringFormatC("Cannot continue with airways because %s(%x) is missing",
                                          kPointLayouts696[kPointTypes[type]].name, serial);
            break;
        }
        rec[1] = static_cast<uint8_t>(recno);
        rec[2] = static_cast<uint8_t>(recno >> 8);
        rec[3] = static_cast<uint8_t>((rec[3] & 0xFC) | ((recno >> 16) & 3));
    }
    r.waypointUses.clear();
    r.useBeyondRecords = false;
    if (r.missingPoint != UINT32_MAX || total > kNoAirway696) return;   // the airways step stops the run
    r.waypointUses.reserve(total);
    uint32_t head = 0;
    for (uint32_t i = 0; i < total; ++i) {
        const uint8_t* rec = &r.airwayPoints[i * 6];
        if (rec[0] == 12) {
            head = i;
            continue;
        }
        if ((rec[0] & 1) != 0 || (rec[0] >> 6) == 0) continue;
        const uint32_t recno = rec[1] | rec[2] << 8 | (rec[3] & 3u) << 16;
        const bool afterHead = i > 0 && r.airwayPoints[(i - 1) * 6] == 12;
        r.waypointUses.push_back({static_cast<uint32_t>(rec[0] >> 6), recno, afterHead ? head : i});
    }
    // Positions rise with the points, so an order that keeps ties' order takes them in turn.
    SortWords696 words;
    words.reserve(r.waypointUses.size());
    for (uint32_t i = 0; i < r.waypointUses.size(); ++i) {
        const Run696::WaypointUse& u = r.waypointUses[i];
        words.push_back(static_cast<uint64_t>((3 - u.type) << 18 | u.recno) << 32 | i);
    }
    SortWordsByKey696(&words);
    Table<Run696::WaypointUse> sorted;
    sorted.reserve(words.size());
    for (uint64_t w : words) sorted.push_back(r.waypointUses[static_cast<uint32_t>(w)]);
    r.waypointUses.swap(sorted);
    for (const Run696::WaypointUse& u : r.waypointUses) {
        if (u.recno >= r.points[kPointTypes[u.type]].map.Count()) r.useBeyondRecords = true;
    }
}

// RECS of a type, one record a call in ident order.
template <class Rec>
StepStatus StepWritePoints(OperationContext& c, Run696& r) {
    using T = PointTraits696<Rec>;
    Run696::Points& p = r.points[T::kType];
    const PointLayout696& layout = kPointLayouts696[T::kType];
    const PointSections696& sections = kPointSections696[T::kType];
    Table<Rec>& stored = std::get<Table<Rec>>(r.stored);
    if (c.calls == 0) {
        p.recsStart = r.image.End();
        p.indexed.clear();
        p.indexed.reserve(stored.size());
        if (T::kType != kApt696) {
            if (!r.airwaysReady) {
                PrepareAirways(r);
                StartAirwayGrid(r);
            }
            // The entries of the type: the waypoint index holds VOR, NDB, INT in turn.
            r.nextUse = static_cast<size_t>(
                std::find_if(r.waypointUses.begin(), r.waypointUses.end(),
                             [](const Run696::WaypointUse& u) { return kPointTypes[u.type] == T::kType; }) -
                r.waypointUses.begin());
        }
        std::fill(std::begin(p.x1), std::end(p.x1), kNoRecord696);
        if (r.countryIndex.Count() == 0) {
            for (int32_t csno : r.cmap) r.countryIndex.Add(csno);
        }
    }
    const uint32_t n = static_cast<uint32_t>(p.indexed.size());
    if (n >= stored.size()) {
        if (!r.image.SetDirectoryEntry(sections.recs, p.recsStart, n, static_cast<uint8_t>(layout.recordSize))) {
            return WriteFailed(c);
        }
        Table<Rec>().swap(stored);
        return StepStatus::Next;
    }
    const Rec& rec = stored[n];
    PointHead696 h;
    if (ImageResult res = FindCountryIndex(r.countryIndex, T::Country(rec), &h.country); !res) {
        return Abort(c, Framed(res.text));
    }
    std::string error;
    if (!NamePointerOf(r, T::First(rec), &h.first, &error) || !NamePointerOf(r, T::Second(rec), &h.second, &error)) {
        return Abort(c, Framed(error));
    }
    h.ident = ImageIdent(T::Ident(rec));
    uint8_t bytes[32] = {};
    if (ImageResult res = PackPoint(r, rec, h, n, bytes); !res) return Abort(c, Framed(res.text));
    if (T::kType != kApt696) {
        // Its airway field: its first entry in the waypoint index.
        const Table<Run696::WaypointUse>& uses = r.waypointUses;
        size_t& u = r.nextUse;
        while (u < uses.size() && kPointTypes[uses[u].type] == T::kType && uses[u].recno < n) ++u;
        if (u < uses.size() && kPointTypes[uses[u].type] == T::kType && uses[u].recno == n) {
            SetAirwayReference696(T::kType, bytes, static_cast<uint32_t>(u));
        }
    }
    uint32_t bucket = 0;
    if (ImageResult res = IdentBucket(layout.Ident(), h.ident, &bucket); !res) return Abort(c, Framed(res.text));
    if (p.x1[bucket] == kNoRecord696) p.x1[bucket] = n;
    if (!r.image.Append(bytes, layout.recordSize)) return WriteFailed(c);
    IndexedPoint696 ip;
    UnpackPosition696(bytes, &ip.lat, &ip.lon);
    ip.firstOffset = h.first.offset;
    ip.secondOffset = h.second.offset;
    ip.hasSecond = HasName(r, T::Second(rec));
    p.indexed.push_back(ip);
    return StepStatus::Again;
}

// X1, X2, X3, X4 and X5 of a type, one section a call.
template <PointType696 Type>
StepStatus StepWriteIndexes(OperationContext& c, Run696& r) {
    Run696::Points& p = r.points[Type];
    const PointSections696& sections = kPointSections696[Type];
    PointIndexes696& built = r.built;
    if (c.calls == 0) {
        std::string error;
        if (!BuildPointIndexes696(p.indexed, p.x1, &built, &error)) return Abort(c, Framed(error));
    }
    const uint32_t n = static_cast<uint32_t>(p.indexed.size());
    struct Part {
        int section;
        const IndexBytes696* bytes;
        uint32_t count;
        uint8_t size;
    };
    const Part parts[5] = {{sections.x1, &built.x1, kX1Entries696, 3},
                           {sections.x2, &built.x2, n, 3},
                           {sections.x3, &built.x3, built.x3Count, 3},
                           {sections.x4, &built.x4, n, 3},
                           {sections.x5, &built.x5, built.x5Count, static_cast<uint8_t>(kBoxRunBytes696)}};
    const Part& part = parts[c.calls];
    if (c.calls < 4 || n > 0) {
        if (!r.image.SetDirectoryEntry(part.section, r.image.End(), part.count, part.size) ||
            !r.image.Append(part.bytes->data(), part.bytes->size())) {
            return WriteFailed(c);
        }
    }
    if (c.calls < 4) return StepStatus::Again;
    built = PointIndexes696{};
    p.indexed.clear();
    p.indexed.shrink_to_fit();
    return StepStatus::Next;
}

// The remarks form of a restriction chain: at most 128 bytes, the first (the count of the
// others) capped at 127.
bool RestrictionForm(const Run696& r, int32_t first, std::vector<uint8_t>* form, std::string* error) {
    form->clear();
    size_t need = 1;
    for (int32_t rcsno = first; rcsno > 0 && form->size() < need;) {
        const auto [rec, end] = r.restrictionsOf.Of(rcsno);
        if (rec == end) {
            *error = StringFormatC("Failed to read restrictions record %d", rcsno);
            return false;
        }
        form->insert(form->end(), rec->rcres, rec->rcres + sizeof rec->rcres);
        need = std::min<size_t>(static_cast<size_t>((*form)[0]) + 1, 128);
        rcsno = rec->rcnxt;
    }
    if (form->size() > need) form->resize(need);
    if (!form->empty() && (*form)[0] > 127) (*form)[0] = 127;
    return true;
}

bool GatherApproaches(Run696& r, const AptRecord& apt, const std::vector<RunwaySlot696>& runways,
                      std::vector<ApproachEntry696>* out, std::string* error);

// The airport's frequencies, runways and approaches, as the block builder takes them.
bool GatherAirport(Run696& r, const AptRecord& apt, AirportBlockInput696* in, std::string* error) {
    const int32_t asno = apt.asno;
    const auto [firstFreq, lastFreq] = r.frequenciesOf.Of(asno);
    // The slots of the airport before are filled again: their remarks keep their room.
    size_t frequencies = 0;
    for (const FreqRecord* fp = firstFreq; fp != lastFreq && frequencies < kMaxFrequencies696; ++fp) {
        const FreqRecord& f = *fp;
        if (frequencies == in->frequencies.size()) in->frequencies.emplace_back();
        FrequencySlot696& slot = in->frequencies[frequencies];
        slot.blob.clear();
        slot.type = FrequencyTypeCode696(f.ftype, f.f431);
        if (f.freq < kFrequencyBase696 || f.freq - kFrequencyBase696 > 0xFFF) {
            *error = StringFormatC("APT %x: frequency %d.%02d outside 108.00-148.95", asno, f.freq / 100, f.freq % 100);
            return false;
        }
        slot.value = static_cast<uint32_t>(f.freq - kFrequencyBase696);
        slot.flags = f.f431;
        if (f.frsno > 0) {
            std::vector<uint8_t>& form = r.restrictionForm;
            if (!RestrictionForm(r, f.frsno, &form, error) || !RemarksBlobOfForm696(form, &slot.blob, error)) {
                *error = StringFormatC("APT %x: ", asno) + *error;
                return false;
            }
        }
        ++frequencies;
    }
    in->frequencies.resize(frequencies);
    const auto [firstRunway, lastRunway] = r.runwaysOf.Of(asno);
    for (const RwyRecord* wp = firstRunway; wp != lastRunway && in->runways.size() < kMaxRunways696; ++wp) {
        const RwyRecord& w = *wp;
        RunwaySlot696 slot;
        slot.length = static_cast<uint32_t>(w.rlen);
        slot.width = static_cast<uint32_t>(w.rwidth);
        slot.surface = static_cast<uint8_t>(((w.rsl & 7) + 1) | (w.rsl & 0x30));
        const uint32_t rw = static_cast<uint32_t>(w.rw);
        slot.designator = (rw & 0xFF7F) | ((rw >> 16) & 1) << 7;
        slot.flags = w.rflags;
        slot.picture[0] = static_cast<uint32_t>(w.rnpic);
        slot.picture[1] = static_cast<uint32_t>(w.rnpic2);
        uint32_t sides = static_cast<uint32_t>(w.rpicfl) & 3;
        if (w.rpicfl < 0) {
            int32_t ends[2];
            UnpackRunwayPicture({static_cast<uint16_t>(w.rpicst), static_cast<uint32_t>(w.rpic)}, &sides, &ends[0],
                                &ends[1]);
        }
        slot.pictureFlags = static_cast<uint8_t>(sides | ((rw & 0x80) ? 4 : 0));
        slot.serial = w.rsno;
        std::memcpy(slot.extra, kRunwayExtraDefaults696, sizeof slot.extra);
        if (const auto e = r.extras.empty() ? r.extras.end() : r.extras.find(w.rsno); e != r.extras.end()) {
            std::copy(e->second.bytes.begin(), e->second.bytes.end(), slot.extra);
            if (e->second.more) slot.pictureFlags |= 16;
        }
        in->runways.push_back(slot);
    }
    if (in->runways.empty()) {
        RunwaySlot696 slot;
        slot.surface = 6;
        std::memcpy(slot.extra, kRunwayExtraDefaults696, sizeof slot.extra);
        in->runways.push_back(slot);
    }
    return GatherApproaches(r, apt, in->runways, &in->approaches, error);
}

// The record number, runway slot or packed local entry that an approach's navaid or waypoint
// names, by the kind in bits 4-7 of its type code (bit 8 of a runway's: its other end).
bool PackApproachReference(const Run696& r, const AptRecord& apt, const std::vector<RunwaySlot696>& runways,
                           uint32_t typeCode, int32_t serial, uint32_t* reference, uint8_t* data, std::string* error) {
    const auto runwaySlot = [&](int32_t rsno, uint32_t* slot) {
        for (size_t i = 0; i < runways.size(); ++i) {
            if (runways[i].serial == rsno) {
                *slot = static_cast<uint32_t>(i);
                return true;
            }
        }
        *error = StringFormatC("Runway record %d for APT %x is absent", rsno, apt.asno);
        return false;
    };
    const uint32_t kind = typeCode >> 4 & 15;
    switch (kind) {
    case 1:
    case 2:
    case 3: {
        if (ImageResult res = FindRecordNumber(r.points[kPointTypes[kind]].map, kPointLayouts696[kPointTypes[kind]].name, serial,
                                               reference);
            !res) {
            *error = res.text;
            return false;
        }
        return true;
    }
    case 5:
        if (!runwaySlot(serial, reference)) return false;
        if (typeCode & 0x100) *reference |= 128;
        return true;
    case 6:
    case 7:
    case 8: {
        const auto found = r.localWaypoints.find(serial);
        if (found == r.localWaypoints.end()) {
            *error = StringFormatC("Cannot find lwpt lsno = %d", serial);
            return false;
        }
        const LwptRecord& l = found->second;
        LocalWaypoint696 w;
        w.lat = l.llat;
        w.lon = l.llong;
        w.ident.assign(l.lid, strnlen(l.lid, sizeof l.lid));
        w.frequency = l.lfreq;
        w.ndbByte = static_cast<uint32_t>(l.ltyp) >> 8 & 0xFF;
        LocalKind696 local = kind == 6 ? LocalKind696::Intersection : kind == 7 ? LocalKind696::Ndb : LocalKind696::Ils;
        if (kind == 8) {
            if (!runwaySlot(static_cast<int32_t>(static_cast<uint32_t>(l.ltyp) >> 8 & 0x1FFFF), &w.runway)) return false;
            if (l.ltyp & 0x2000000) w.runway |= 128;
        }
        *reference = 0;
        return PackLocalWaypoint696(local, w, apt.alat, apt.along, data, error);
    }
    case 9:
        *reference = 255;
        return true;
    default:
        *error = StringFormatC("Unknown appr wpt type %2x (recno=%d)", typeCode, serial);
        return false;
    }
}

// The used approaches of the airport, each in the slot of its sequence number, with their
// navaids and waypoints packed; the slots with waypoints in order.
bool GatherApproaches(Run696& r, const AptRecord& apt, const std::vector<RunwaySlot696>& runways,
                      std::vector<ApproachEntry696>* out, std::string* error) {
    const int32_t asno = apt.asno;
    if (r.apocc.empty()) return true;
    uint32_t count = 0;
    std::vector<const ApprRecord*>& used = r.usedApproaches;
    used.clear();
    const auto [first, last] = r.approachesOf.Of(asno);
    for (const ApprRecord* p = first; p != last && p - first < static_cast<long>(kMaxApproaches696); ++p) {
        if (p->psno >= 0 && static_cast<size_t>(p->psno) < r.apocc.size() && r.apocc[static_cast<size_t>(p->psno)]) {
            used.push_back(p);
        }
    }
    if (used.empty()) return true;
    std::vector<std::pair<int32_t, ApproachEntry696>>& slots = r.approachSlots;
    slots.clear();
    for (const ApprRecord* u : used) {
        const ApprRecord& a = *u;
        if (a.pseq < 0 || static_cast<size_t>(a.pseq) >= kMaxApproaches696) {
            *error = StringFormatC("APT=0x%x: approach sequence %d outside 0-63", asno, a.pseq);
            return false;
        }
        // Filled in the slot of its sequence number: a later approach of the same number takes it.
        auto slot = std::find_if(slots.begin(), slots.end(), [&](const auto& s) { return s.first == a.pseq; });
        if (slot != slots.end()) {
            slot->second = ApproachEntry696{};
        } else {
            slot = slots.emplace(slots.end(), a.pseq, ApproachEntry696{});
        }
        ApproachEntry696& e = slot->second;
        if (const auto id = r.approachIdIndex.find(ApproachIdKey(a)); id != r.approachIdIndex.end()) {
            e.idIndex = id->second;
        } else if (ImageResult res = r.approachIds.Index(ApproachIdText(a), &e.idIndex); !res) {
            *error = res.text;
            return false;
        }
        if (a.pnsno == -1) {
            e.type = static_cast<uint32_t>(ApproachTypeOfPtyp696(a.ptyp));
            e.navaidKind = 9;
            e.navaidReference = 255;
        } else {
            e.type = static_cast<uint32_t>(a.p6typ);
            e.navaidKind = static_cast<uint32_t>(a.pntyp);
            if (!PackApproachReference(r, apt, runways, e.navaidKind << 4, a.pnsno, &e.navaidReference, e.navaidData,
                                       error)) {
                return false;
            }
        }
        for (int j = 0; j < 4; ++j) {
            const auto t = static_cast<uint32_t>(a.pwtyp[j]);
            if (t == 0) continue;
            ApproachWaypoint696& w = e.waypoints[e.waypointCount++];
            const uint32_t low = t & 15;
            w.type = (t >> 1 & 0x78) | (t & 0x100) | (low == 1 ? 1 : low == 4 ? 7 : 5);
            if (!PackApproachReference(r, apt, runways, w.type, a.pwrecno[j], &w.reference, w.data, error)) return false;
        }
        ++count;
    }
    std::sort(slots.begin(), slots.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& [pseq, e] : slots) {
        if (e.waypointCount > 0) out->push_back(e);
    }
    if (out->size() < count) {
        *error = StringFormatC("APT=0x%x: only %zu approaches out of %u", asno, out->size(), count);
        return false;
    }
    return true;
}

// Value n (u16) of section 1 as copied into the image.
uint32_t StaticValueOfImage(const OperationContext& c, Run696& r, uint32_t n) {
    const ImageDirectoryEntry& e = r.image.Entry(1);
    if (e.start == 0 || (n + 1) * 2 > e.count * e.size || !r.image.Flush()) return 0;
    uint8_t v[2] = {};
    if (platform::ReadAt(c.imageFd, v, 2, e.start + 2 * n) != 2) return 0;
    return v[0] | v[1] << 8;
}

// The records the airport information takes besides those read before: frequencies,
// restrictions and local waypoints; the fixed runway length as the image holds it.
void PrepareAirportInfo(OperationContext& c, Run696& r) {
    r.infoPrepared = true;
    r.rwDefLenImage = StaticValueOfImage(c, r, 1);
    r.freqRecs = AllRecords<FreqRecord>(c, "faptno");
    r.restrRecs = AllRecords<RestrRecord>(c, "rcsno");
    dbif_close<FreqRecord>();
    dbif_close<RestrRecord>();
    r.frequenciesOf = {r.freqRecs.data(), r.freqRecs.size(), &FreqRecord::faptno};
    r.restrictionsOf = {r.restrRecs.data(), r.restrRecs.size(), &RestrRecord::rcsno};
    r.approachesOf = {r.approachRecs.data(), r.approachRecs.size(), &ApprRecord::paptno};
    r.localWaypoints.clear();
    LwptRecord l{};
    dbif_index<LwptRecord>("lsno");
    for (bool found = dbif_first(l); found; found = dbif_next(l)) r.localWaypoints.emplace(l.lsno, l);
    dbif_close<LwptRecord>();
}

// Section 10 worked out whole, in record order: each airport's information value, and the
// blocks one behind the other. A fault stops the work at its airport.
void WorkOutAirportInfo(Run696& r) {
    Run696::AirportInfo& out = r.info;
    const uint32_t count = r.points[kApt696].map.Count();
    const Table<AptRecord>& apts = std::get<Table<AptRecord>>(r.stored);
    AirportBlockInput696& in = r.airportIn;   // its tables kept from airport to airport
    std::vector<uint8_t>& block = r.airportBlock;
    uint32_t offset = 0;
    for (uint32_t n = 0; n < count; ++n) {
        const AptRecord& apt = apts[n];
        const int32_t asno = apt.asno;
        in.runways.clear();
        in.approaches.clear();
        in.runwayFixedLength = r.rwDefLenImage;
        in.pictureLength = static_cast<uint32_t>(r.picsLen);
        std::string error;
        const auto fail = [&](std::string text) {
            out.failAt = n;
            out.failText = Framed(text);
        };
        if (!GatherAirport(r, apt, &in, &error)) return fail(error);
        uint32_t value = 0;
        if (AirportShortForm696(in, &value)) {
            r.aptInfo[n] = value;
            continue;
        }
        if (!BuildAirportBlock696(in, &block, &error)) return fail(StringFormatC("APT %x: ", asno) + error);
        if (offset > 0x7FFFFF) return fail(StringFormatC("APT %x: section-10 offset %x does not fit its 23 bits", asno, offset));
        r.aptInfo[n] = offset;
        r.aptHasBlock[n] = 1;
        out.blocks.insert(out.blocks.end(), block.begin(), block.end());
        offset += static_cast<uint32_t>(block.size());
    }
}

// Static data; once it is in the image, the airport information is worked out on a thread of
// its own from the records it takes (which stay as they are meanwhile) until its step.
StepStatus StepCopyStatic(OperationContext& c, Run696& r) {
    const StepStatus status = CopyPiece(c, r, kStaFile696);
    if (status != StepStatus::Next || r.infoStarted) return status;
    PrepareAirportInfo(c, r);
    try {
        r.infoWork = std::thread([&r] { WorkOutAirportInfo(r); });
        r.infoStarted = true;
    } catch (const std::system_error&) {   // no thread: the airport information step works it out
    }
    return status;
}

// Section 10, one airport a call, in record order: the blocks go into the image at the first.
StepStatus StepWriteAirportInfo(OperationContext& c, Run696& r) {
    const Run696::Points& p = r.points[kApt696];
    if (c.calls == 0) {
        if (r.infoWork.joinable()) {
            r.infoWork.join();
        } else if (!r.infoStarted) {
            if (!r.infoPrepared) PrepareAirportInfo(c, r);
            WorkOutAirportInfo(r);
        }
        r.infoStarted = false;
        r.infoStart = r.image.End();
        if (!r.image.Append(r.info.blocks.data(), r.info.blocks.size())) return WriteFailed(c);
        Table<uint8_t>().swap(r.info.blocks);
    }
    const uint32_t n = c.calls;
    if (n == r.info.failAt) return Abort(c, r.info.failText);
    if (n < p.map.Count()) return StepStatus::Again;
    // The bulk of the image is written: its sync begins while the rest is.
    if (!r.image.SetDirectoryEntry(10, r.infoStart, p.map.Count(), 2) || !r.image.StartEarlySync()) {
        return WriteFailed(c);
    }
    for (int f : {kFileRwy3, kFileFreq3, kFileRestr, kFileLwpt}) dbif_close(f);
    r.approachesOf = {};
    r.runwaysOf = {};
    r.frequenciesOf = {};
    r.restrictionsOf = {};
    r.localWaypoints.clear();
    Table<RwyRecord>().swap(r.runwayRecs);
    Table<FreqRecord>().swap(r.freqRecs);
    Table<RestrRecord>().swap(r.restrRecs);
    Table<ApprRecord>().swap(r.approachRecs);
    return StepStatus::Next;
}

// Sections 46 (airway points, references made image record numbers, one a call) and 45
// (airways).
StepStatus StepWriteAirways(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        r.airwayStart = r.image.End();
        r.airwayCount = 0;
        dbif_open<AwysRecord>();
    }
    const uint32_t total = static_cast<uint32_t>(r.airwayPoints.size() / 6);
    if (total > kNoAirway696) {
        return Abort(c, Framed(StringFormatC("%u airway points do not fit an 18-bit position", total)));
    }
    if (r.airwayCount < total) {
        if (r.airwayCount == r.missingPoint) {
            platform::ShowMessage(r.missingText);
            return Abort(c, "");
        }
        if (!r.image.Append(&r.airwayPoints[r.airwayCount * 6], 6)) return WriteFailed(c);
        ++r.airwayCount;
        return StepStatus::Again;
    }
    if (!r.image.SetDirectoryEntry(46, r.airwayStart, total, 6)) return WriteFailed(c);
    const uint32_t start = r.image.End();
    uint32_t count = 0;
    AwysRecord w{};
    dbif_index<AwysRecord>("wsno");
    for (bool found = dbif_first(w); found; found = dbif_next(w)) {
        if (!r.image.Append(w.wrec, sizeof w.wrec)) return WriteFailed(c);
        ++count;
    }
    dbif_close<AwysRecord>();
    if (!r.image.SetDirectoryEntry(45, start, count, 8)) return WriteFailed(c);
    return StepStatus::Next;
}

// Section 47; the points' airway fields went into their records as they were written.
StepStatus StepWriteAirwayIndex(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        const uint32_t start = r.image.End();
        const size_t n = r.waypointUses.size();
        for (size_t i = 0; i < n; ++i) {
            const auto& u = r.waypointUses[i];
            const bool more = i + 1 < n && r.waypointUses[i + 1].type == u.type && r.waypointUses[i + 1].recno == u.recno;
            const uint32_t v = u.position | (more ? 0x40000u : 0);
            const uint8_t bytes[3] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
            if (!r.image.Append(bytes, 3)) return WriteFailed(c);
        }
        if (!r.image.SetDirectoryEntry(47, start, static_cast<uint32_t>(n), 3)) return WriteFailed(c);
        return StepStatus::Again;
    }
    if (r.useBeyondRecords) return WriteFailed(c);
    return StepStatus::Next;
}

// Sections 74 and 73 from the airways' segments.
void WorkOutAirwayGrid(const Run696& r, Run696::GridSections* out) {
    AirwayGrid696 grid;
    bool previous = false;
    int32_t prevLat = 0;
    int32_t prevLon = 0;
    for (uint32_t i = 0; i < r.airwayPoints.size() / 6; ++i) {
        const uint8_t* rec = &r.airwayPoints[i * 6];
        if (rec[0] == 12) {
            grid.StartAirway((rec[1] | rec[2] << 8 | rec[3] << 16) & 0x3FFFF);
            previous = false;
            continue;
        }
        if ((rec[0] & 1) != 0 || (rec[0] >> 6) == 0) continue;
        const PointType696 type = kPointTypes[rec[0] >> 6];
        const uint32_t recno = rec[1] | rec[2] << 8 | (rec[3] & 3u) << 16;
        if (recno >= r.positions[type].size()) {
            out->ok = false;
            return;
        }
        const auto [lat, lon] = r.positions[type][recno];
        if (previous) grid.AddSegment(prevLat, prevLon, lat, lon);
        previous = true;
        prevLat = lat;
        prevLon = lon;
    }
    grid.Sections(&out->lists, &out->entries, &out->runs, &out->count);
}

// The grid's work begins once the airway points and the positions are ready, unless the
// airways step is to stop the run.
void StartAirwayGrid(Run696& r) {
    if (r.gridStarted || !r.airwaysReady || r.missingPoint != UINT32_MAX || r.airwayPoints.size() / 6 > kNoAirway696) {
        return;
    }
    try {
        r.gridWork = std::thread([&r] { WorkOutAirwayGrid(r, &r.grid); });
        r.gridStarted = true;
    } catch (const std::system_error&) {   // no thread: the grid step works it out
    }
}

StepStatus StepWriteAirwayGrid(OperationContext& c, Run696& r) {
    if (r.gridWork.joinable()) {
        r.gridWork.join();
    } else if (!r.gridStarted) {
        WorkOutAirwayGrid(r, &r.grid);
    }
    const Run696::GridSections& g = r.grid;
    if (!g.ok) return WriteFailed(c);
    if (!r.image.SetDirectoryEntry(74, r.image.End(), g.entries, 3) || !r.image.Append(g.lists.data(), g.lists.size()) ||
        !r.image.SetDirectoryEntry(73, r.image.End(), g.count, 26) || !r.image.Append(g.runs.data(), g.runs.size())) {
        return WriteFailed(c);
    }
    r.grid = Run696::GridSections{};
    Table<uint8_t>().swap(r.airwayPoints);
    Table<Run696::WaypointUse>().swap(r.waypointUses);
    for (Table<std::pair<int32_t, int32_t>>& positions : r.positions) Table<std::pair<int32_t, int32_t>>().swap(positions);
    return StepStatus::Next;
}

StepStatus StepCountTcc(OperationContext& c, Run696& r) { return FlagSectionFileNames(c, r, kTccFile696); }
StepStatus StepCountSua(OperationContext& c, Run696& r) { return FlagSectionFileNames(c, r, kSuaFile696); }

bool RemoveUnusedNames(const OperationContext& c) { return !c.settings || c.settings->optimise; }
void StartNames(const OperationContext& c, Run696& r);

StepStatus StepFlagNames(OperationContext& c, Run696& r) {
    const bool removeUnused = RemoveUnusedNames(c);
    r.keptNames = 0;
    for (uint8_t used : r.nsocc) {
        if (used || !removeUnused) ++r.keptNames;
    }
    StartNames(c, r);
    return StepStatus::Next;
}

// Section 2: one packed record per country, in the order of the country names.
StepStatus StepWriteCountries(OperationContext& c, Run696& r) {
    CountryRecord rec{};
    if (c.calls == 0) {
        if (!r.image.SetDirectoryEntry(kSectionCountries, r.image.End(), r.countryCount, 9)) return WriteFailed(c);
        dbif_index<CountryRecord>("cname");
        if (!dbif_first(rec)) return StepStatus::Next;
    } else if (!dbif_next(rec)) {
        return StepStatus::Next;
    }
    if (r.cmap.size() >= r.countryCount) return StepStatus::Next;
    uint8_t packed[9];
    PackCountryRecord(packed, rec.cid, sizeof rec.cid, rec.cname, sizeof rec.cname);
    if (!r.image.Append(packed, sizeof packed)) return WriteFailed(c);
    r.cmap.push_back(rec.csno);
    return StepStatus::Again;
}
// The first 8 bytes of a text (zeros after its end), most significant first: ordering by it
// and then by the text is ordering by the text.
uint64_t TextKey(const char* text) {
    uint64_t key = 0;
    int k = 0;
    for (; k < 8 && text[k]; ++k) key = key << 8 | static_cast<uint8_t>(text[k]);
    return key << (8 * (8 - k) % 64);
}

// A kept name with the keys of its first 16 bytes.
Run696::KeptName KeptNameOf(const char* text, int32_t serial) {
    return {TextKey(text), strnlen(text, 8) == 8 ? TextKey(text + 8) : 0, text, serial};
}

bool SameText(const Run696::KeptName& a, const Run696::KeptName& b) {
    return a.key == b.key && a.key2 == b.key2 && std::strcmp(a.text, b.text) == 0;
}

// Kept names in the order of their text: by the first 8 bytes (two passes of the word sort,
// the low half first), then each run of the same first 8 bytes by the rest.
void SortKeptNames(Table<Run696::KeptName>* names) {
    Table<Run696::KeptName>& list = *names;
    const uint32_t n = static_cast<uint32_t>(list.size());
    SortWords696 words;
    words.reserve(n);
    for (uint32_t i = 0; i < n; ++i) words.push_back((list[i].key & 0xFFFFFFFF) << 32 | i);
    SortWordsByKey696(&words);
    for (uint64_t& w : words) {
        const auto i = static_cast<uint32_t>(w);
        w = (list[i].key >> 32) << 32 | i;
    }
    SortWordsByKey696(&words);
    // Each place j takes the name at index words[j], cycle by cycle in place.
    std::vector<bool> placed(n, false);
    for (uint32_t j = 0; j < n; ++j) {
        if (placed[j]) continue;
        const Run696::KeptName first = list[j];
        uint32_t k = j;
        for (;;) {
            placed[k] = true;
            const auto from = static_cast<uint32_t>(words[k]);
            if (from == j) {
                list[k] = first;
                break;
            }
            list[k] = list[from];
            k = from;
        }
    }
    Table<Run696::KeptName>& sorted = list;
    for (uint32_t first = 0; first < n;) {
        uint32_t end = first + 1;
        while (end < n && sorted[end].key == sorted[first].key) ++end;
        if (end - first > 1) {
            std::sort(sorted.begin() + first, sorted.begin() + end, [](const auto& a, const auto& b) {
                if (a.key2 != b.key2) return a.key2 < b.key2;
                return std::strcmp(a.text, b.text) < 0;
            });
        }
        first = end;
    }
}

// Section 3: the kept names in the order of their text, coded one behind the other. A name
// kept with a leading blank is coded, and so sorted, without it: the table stays in the order
// of what it holds. Names of the same text are coded once, whatever their order among
// themselves. Worked out whole, where each name begins as well.
void CodeNames(Run696& r, bool removeUnused) {
    r.namePos.assign(r.nsocc.size(), UINT32_MAX);
    r.names.clear();
    r.namesBit = 0;
    r.namesCoded = 0;
    r.keptNameList.clear();
    r.keptNameList.reserve(r.nameTexts.size() + 1);
    for (const Run696::NameText& name : r.nameTexts) {
        const int32_t nsno = name.nsno;
        if (nsno < 0 || static_cast<size_t>(nsno) >= r.nsocc.size()) continue;
        if (removeUnused && !r.nsocc[static_cast<size_t>(nsno)]) continue;
        const char* text = name.text;
        if (text[0] == ' ' && text[1] != 0) ++text;
        r.keptNameList.push_back(KeptNameOf(text, nsno));
    }
    if (r.needBlank) r.keptNameList.push_back({TextKey(" "), 0, " ", -1});  // where "no name" points
    SortKeptNames(&r.keptNameList);
    // Room for the table at once: no letter takes more than its longest code.
    uint64_t bits = 0;
    for (size_t i = 0; i < r.keptNameList.size(); ++i) {
        const Run696::KeptName& k = r.keptNameList[i];
        if (i == 0 || !SameText(r.keptNameList[i - 1], k)) {
            bits += kLongestLetterBits * std::strlen(k.text) + kNameEndBits;
        }
    }
    r.names.assign(static_cast<size_t>(bits / 8 + 2), 0);
    uint32_t lastNameBit = 0;
    for (size_t i = 0; i < r.keptNameList.size(); ++i) {
        const Run696::KeptName& kept = r.keptNameList[i];
        const int32_t serial = kept.serial;
        // Names of the same text (" X" is coded as "X") share one entry.
        if (i > 0 && SameText(r.keptNameList[i - 1], kept)) {
            if (serial >= 0) r.namePos[static_cast<size_t>(serial)] = lastNameBit;
            continue;
        }
        if (serial >= 0) r.namePos[static_cast<size_t>(serial)] = r.namesBit;
        lastNameBit = r.namesBit;
        r.namesBit = EncodeNameText(kept.text, r.namesBit, r.names.data());
        ++r.namesCoded;
    }
    r.names.resize((r.namesBit + 7) / 8);
}

// The names are known once the section files' records have flagged theirs: the table is worked
// out on a thread of its own meanwhile.
void StartNames(const OperationContext& c, Run696& r) {
    if (r.namesStarted) return;
    const bool removeUnused = RemoveUnusedNames(c);
    try {
        r.namesWork = std::thread([&r, removeUnused] { CodeNames(r, removeUnused); });
        r.namesStarted = true;
    } catch (const std::system_error&) {   // no thread: the names step works it out
    }
}

// The names table, one kept name a call as the progress counts them.
StepStatus StepWriteNames(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        if (r.namesWork.joinable()) {
            r.namesWork.join();
        } else if (!r.namesStarted) {
            CodeNames(r, RemoveUnusedNames(c));
        }
        r.namesStarted = false;
        r.namesReady = true;
        r.namesWritten = 0;
        r.namesStart = r.image.End();
    }
    if (r.namesWritten >= r.keptNameList.size()) {
        if (!r.image.SetDirectoryEntry(kSectionNames, r.namesStart, r.namesCoded, 1)) return WriteFailed(c);
        if (!r.image.Append(r.names.data(), r.names.size())) return WriteFailed(c);
        Table<uint8_t>().swap(r.names);
        Table<Run696::KeptName>().swap(r.keptNameList);
        Table<Run696::NameText>().swap(r.nameTexts);
        return StepStatus::Next;
    }
    ++r.namesWritten;
    return StepStatus::Again;
}


// The approach records kept in airport order and the occurrence table sized for them; the IDs
// are taken when the approaches the image carries are known (step 15).
StepStatus StepCountApproachIds(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        r.approachRecs.clear();
        r.approachRecs.reserve(RecordRoom(c, kFileAppr) + 1);   // and the place the end finds empty
        dbif_index<ApprRecord>("paptno");
    }
    // The record read straight into its place.
    ApprRecord& p = r.approachRecs.emplace_back();
    if (!(c.calls == 0 ? dbif_first(p) : dbif_next(p))) {
        r.approachRecs.pop_back();
        dbif_close<ApprRecord>();
        return StepStatus::Next;
    }
    if (p.psno >= 0 && static_cast<size_t>(p.psno) >= r.apocc.size()) r.apocc.resize(static_cast<size_t>(p.psno) + 1, 0);
    return StepStatus::Again;
}

// The kind (type digit) of an approach waypoint's type word.
uint32_t WaypointKind(int32_t pwtyp) { return static_cast<uint32_t>(pwtyp) >> 5 & 7; }

bool PointInImage(const Run696& r, uint32_t kind, int32_t serial) {
    uint32_t recno = 0;
    return r.points[kPointTypes[kind]].map.Find(serial, &recno);
}

// Why the image cannot carry the approach in any form: a type without an image type, or a
// navaid or waypoint of a kind that the groups cannot hold; empty when it can.
std::string ApproachFault(const ApprRecord& p) {
    if (p.pnsno == -1) {
        if (ApproachTypeOfPtyp696(p.ptyp) < 0) return StringFormatC("type 0x%02x has no image type", p.ptyp);
    } else {
        if (p.p6typ < 0 || static_cast<uint32_t>(p.p6typ) >= kApproachTypes696) {
            return StringFormatC("image type %d has no database type", p.p6typ);
        }
        if (p.pntyp < 1 || p.pntyp > 9 || p.pntyp == 4 || p.pntyp == 5 || p.pntyp == 6) {
            return StringFormatC("navaid kind %d", p.pntyp);
        }
    }
    for (int j = 0; j < 4; ++j) {
        const uint32_t kind = WaypointKind(p.pwtyp[j]);
        if (p.pwtyp[j] != 0 && (kind == 0 || kind == 4)) return StringFormatC("waypoint type 0x%x", p.pwtyp[j]);
    }
    return "";
}

// Whether each INT, NDB or VOR the approach names is in the image (its runways are looked for
// with the airport's).
bool ApproachPointsPresent(const Run696& r, const ApprRecord& p) {
    if (p.pnsno != -1 && p.pntyp >= 1 && p.pntyp <= 3 && !PointInImage(r, static_cast<uint32_t>(p.pntyp), p.pnsno)) {
        return false;
    }
    for (int j = 0; j < 4; ++j) {
        const uint32_t kind = WaypointKind(p.pwtyp[j]);
        if (p.pwtyp[j] != 0 && kind >= 1 && kind <= 3 && !PointInImage(r, kind, p.pwrecno[j])) return false;
    }
    return true;
}

// Whether a runway the approach names is not in the database: the approach is then left out
// like one whose INT, NDB or VOR is not in the image.
bool ApproachRunwayMissing(const ApprRecord& p, const SerialSet696& runways) {
    for (int j = 0; j < 4; ++j) {
        if (p.pwtyp[j] == 0 || WaypointKind(p.pwtyp[j]) != 5) continue;
        if (!runways.Has(p.pwrecno[j])) return true;
    }
    return false;
}

// The approaches the image carries are marked used, and their IDs make the approach ID table:
// those of the image's airports, among the first 64 records of each, that the image can hold
// and whose INT, NDB, VOR and runways are there. An ID that only left-out approaches have is
// not in the table, so that the database made again from the image builds the same image.
StepStatus StepFlagApproaches(OperationContext& c, Run696& r) {
    const Run696::Points& apts = r.points[kApt696];
    r.runwayRecs = AllRecords<RwyRecord>(c, "raptno");
    dbif_close<RwyRecord>();   // read whole: its cached pages go back at once
    r.runwaysOf = {r.runwayRecs.data(), r.runwayRecs.size(), &RwyRecord::raptno};
    std::vector<int32_t> serials;
    serials.reserve(r.runwayRecs.size());
    for (const RwyRecord& w : r.runwayRecs) serials.push_back(w.rsno);
    const SerialSet696 runwaySerials(std::move(serials));
    size_t ofAirport = 0;   // the record's place among its airport's
    for (size_t k = 0; k < r.approachRecs.size(); ++k) {
        const ApprRecord& p = r.approachRecs[k];
        ofAirport = k > 0 && r.approachRecs[k - 1].paptno == p.paptno ? ofAirport + 1 : 0;
        uint32_t recno = 0;
        if (p.psno < 0 || static_cast<size_t>(p.psno) >= r.apocc.size() || !apts.map.Find(p.paptno, &recno)) continue;
        const std::string fault = ApproachFault(p);
        if (!fault.empty()) {
            c.AddLine(StringFormatC("APT %x approach %d (%s): %s, left out", p.paptno, p.pseq,
                                    ApproachIdText(p).c_str(), fault.c_str()));
            continue;
        }
        if (ofAirport < kMaxApproaches696 && ApproachPointsPresent(r, p) && !ApproachRunwayMissing(p, runwaySerials)) {
            r.apocc[static_cast<size_t>(p.psno)] = 1;
            if (r.approachIdIndex.emplace(ApproachIdKey(p), 0).second) r.approachIds.Insert(ApproachIdText(p));
        }
    }
    if (ImageResult res = r.approachIds.CheckCount(); !res) return Abort(c, Framed(res.text));
    for (uint32_t i = 0; i < r.approachIds.Count(); ++i) {
        const std::string& id = r.approachIds.At(i);
        r.approachIdIndex[ApproachIdKey(id.data(), id.size())] = i;
    }
    return StepStatus::Next;
}

// Section 11: the packed approach IDs.
StepStatus StepWriteApproachIds(OperationContext& c, Run696& r) {
    const uint32_t start = r.image.End();
    for (uint32_t i = 0; i < r.approachIds.Count(); ++i) {
        uint8_t packed[4];
        r.approachIds.Pack(i, packed);
        if (!r.image.Append(packed, sizeof packed)) return WriteFailed(c);
    }
    if (!r.image.SetDirectoryEntry(kSectionApproachIds, start, r.approachIds.Count(), 4)) return WriteFailed(c);
    return StepStatus::Next;
}

// A row that copies one section file.
template <const SectionFileDecl696& Decl>
StepStatus StepCopy(OperationContext& c, Run696& r) {
    return CopyPiece(c, r, Decl);
}

StepStatus StepWriteHeader(OperationContext& c, Run696& r) {
    if (c.calls == 0) return StepStatus::Again;
    if (TessilySettings().keepHeaderDates == 0) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const int year = local.tm_year + 1900;
        const uint8_t date[4] = {static_cast<uint8_t>(local.tm_mon + 1), static_cast<uint8_t>(local.tm_mday),
                                 static_cast<uint8_t>(year), static_cast<uint8_t>(year >> 8)};
        for (uint32_t k = 0; k < 3; ++k) {
            if (!r.image.WriteAt(kDatesOffset696 + 4 * k, date, sizeof date)) return WriteFailed(c);
        }
    }
    const uint32_t length = r.image.End() + 4;
    const uint8_t word[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    if (!r.image.WriteAt(kLengthOffset696, word, sizeof word)) return WriteFailed(c);
    return StepStatus::Next;
}

StepStatus StepSeal(OperationContext& c, Run696& r) {
    const uint32_t end = r.image.End();
    if (end > kMaxImageLength696) {
        if (!r.image.Flush()) return WriteFailed(c);
        platform::ShowMessage(StringFormatC("Please note image is %ld bytes too long - DO NOT USE",
                                            static_cast<long>(end - kMaxImageLength696)));
        return StepStatus::Next;
    }
    if (!r.image.SealImageCrc()) return WriteFailed(c);
    return StepStatus::Next;
}

const Step696 kSteps[39] = {
    StepInitialise, StepCountCountries, StepScanNames,                                    // 0-2
    StepCountApproachIds, StepCountPoints<AptRecord>, StepScanned, StepCountPoints<IntRecord>, StepScanned,   // 3-7
    StepCountPoints<NdbRecord>, StepScanned, StepCountPoints<VorRecord>, StepScanned,                 // 8-11
    StepCountTcc, StepCountSua, StepFlagNames, StepFlagApproaches,                               // 12-15
    StepCopyStatic, StepWriteCountries, StepWriteNames, StepCopy<kNam2File696>,                   // 16-19
    StepWriteApproachIds, StepCopy<kOddsFile696>, StepCopy<kTccFile696>,                                      // 20-22
    StepWritePoints<IntRecord>, StepWriteIndexes<kInt696>, StepWritePoints<NdbRecord>,                // 23-25
    StepWriteIndexes<kNdb696>, StepWritePoints<VorRecord>, StepWriteIndexes<kVor696>,                 // 26-28
    StepWriteAirportInfo, StepWritePoints<AptRecord>, StepWriteIndexes<kApt696>,                                 // 29-31
    StepCopy<kSuaFile696>, StepWriteAirways, StepWriteAirwayIndex, StepWriteAirwayGrid,                                   // 32-35
    StepCopy<kTrlFile696>, StepWriteHeader, StepSeal,                                           // 36-38
};

StepStatus CallStep(OperationContext& c, State696& state, Step696 fn) {
    if (c.FirstCall()) {
        if (c.imageFd < 0) return AbortCreateImage(c, Framed("Cannot Open " + c.imageName));
        state.run = std::make_shared<Run696>(c.imageFd);
        Run696* run = state.run.get();
        run->links.pointerOf = [run](uint32_t number, uint32_t* offset, int* bit) {
            if (!run->namesReady || number >= run->namePos.size() || run->namePos[number] == UINT32_MAX) return false;
            const uint32_t pos = run->namePos[number];
            *offset = pos / 8;
            *bit = 7 - static_cast<int>(pos % 8);
            return true;
        };
        // An "SUA(a)" airspace's airport: its serial number becomes its record number here.
        run->links.airportRecord = [run](uint32_t serial) {
            uint32_t recno = 0;
            return run->points[kApt696].map.Find(static_cast<int32_t>(serial), &recno) ? recno : kNoAirport696;
        };
    }
    Run696* const run = state.run.get();
    if (!run) return StepStatus::Stop;
    ++state.depth;
    const StepStatus status = fn(c, *run);
    --state.depth;
    if ((status == StepStatus::Stop || c.Stopped()) && state.run.get() == run) EndRun(state);
    if (state.depth == 0 && !state.ended.empty()) state.ended.clear();
    return status;
}

StepStatus Finish(OperationContext& c, State696& state) {
    const std::shared_ptr<Run696> run = state.run;
    if (!run) return StepStatus::Stop;
    if (!run->image.Flush()) return WriteFailed(c);
    if (c.settings && c.settings->debugLevel != 0) {
        std::string line = "Sumcheck bytes set to:";
        for (int i = 0; i < 4; ++i) line = StringFormatC("%s %02x", line.c_str(), run->image.Seal()[i]);
        c.AddLine(line);
    }
    c.AddLine(StringFormatC("Image ends at %06lx", static_cast<unsigned long>(run->image.End())));
    const bool empty = run->countryCount == 0;
    EndRun(state);
    if (c.app) {
        // The replaced image goes with its last descriptor, on a thread of its own.
        const int replaced = HoldReplacedImage(c.imageName);
        c.app->CloseImageFile();
        if (replaced >= 0) {
            if (state.replacedRelease.joinable()) state.replacedRelease.join();
            state.replacedRelease = std::thread([replaced] { ::close(replaced); });
        }
    }
    c.AddLine("Image Complete");
    c.AddLine("");
    if (empty) {
        for (const char* line : kEmptyImageWarning) c.AddLine(line);
    }
    return StepStatus::Done;
}

}  // namespace

void InstallCreateImage696(GenModel& model) {
    auto state = std::make_shared<State696>();
    auto driver = std::make_shared<CreateImageDriver>();
    model.createImageSteps.clear();
    for (size_t i = 0; i < 39; ++i) {
        const Step696 fn = kSteps[i];
        model.createImageSteps.push_back(
            {[state, fn](OperationContext& c) { return CallStep(c, *state, fn); }, kCreateImageTexts696[i]});
    }
    model.finishImage = [state](OperationContext& c) { return Finish(c, *state); };
    model.drivers[kModeCreateImage] = [driver](OperationContext& c) { return driver->Run(c); };
    StopHook previous = model.onStop;
    model.onStop = [previous, state](OperationContext& c, int mode) {
        if (previous) previous(c, mode);
        if (mode == kModeCreateImage && state->run) {
            state->run->image.Discard();
            EndRun(*state);
        }
    };
}

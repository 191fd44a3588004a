// Damaged GAR and GPX files, made by cutting, flipping and overwriting bytes of sound ones, and
// random records of every size: the readers store what they can and never read outside the
// packet or the file (records are handed over in buffers of exactly their size, so that the
// sanitizer build sees any read past them).
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dblib/KestraneDatabase.h"
#include "manager/GarExchange.h"
#include "manager/GarRecord.h"
#include "manager/GpxReader.h"
#include "manager/GpxWriter.h"
#include "manager/ImportRecords.h"
#include "manager/tests/ManagerTestFolder.h"
#include "platform/App.h"
#include "platform/HeadlessUi.h"

namespace {

std::string Mutated(const std::string& sound, std::mt19937& rng) {
    std::string d = sound;
    switch (rng() % 4) {
    case 0: d.resize(rng() % (d.size() + 1)); break;
    case 1:
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n && !d.empty(); ++k)
            d[rng() % d.size()] ^= static_cast<char>(1 << (rng() % 8));
        break;
    case 2:
        for (int k = 0; k < 4 && !d.empty(); ++k) d[rng() % d.size()] = static_cast<char>(rng());
        break;
    default:
        if (!d.empty()) d[rng() % d.size()] = "<>\"'&/\0"[rng() % 7];
        break;
    }
    return d;
}

TEST(GarRecordFuzz, ReadersStayInsideRecordsOfAnySize) {
    std::mt19937 rng(21);
    for (int round = 0; round < 20000; ++round) {
        const int format = static_cast<int>(rng() % 10);
        const size_t size = rng() % 256;
        std::vector<uint8_t> record(size);
        for (uint8_t& b : record) b = rng() % 3 == 0 ? 0 : static_cast<uint8_t>(rng());
        const uint8_t* r = record.data();
        const int n = static_cast<int>(size);
        const GarTexts texts = GarGetTexts(r, n, format);
        EXPECT_LE(texts.ident.size(), 255u);
        int32_t lat, lon;
        uint32_t time, altitude;
        std::string country;
        GarGetPosition(r, n, format, lat, lon, time);
        GarGetWaypointType(r, n, format);
        GarGetCountryAltitude(r, n, format, country, altitude);
        GarGetSymbol(r, n, format);
        GarGetRouteTitle(r, n, format);
    }
}

class ExchangeFuzz : public ManagerTestFolder {
protected:
    void SetUp() override {
        ManagerTestFolder::SetUp();
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        app.SetUi(std::move(ui));
        ASSERT_EQ(Usr().Open(), 0);
        ASSERT_EQ(Rte().Open(), 0);
        for (int n = 1; n <= 4; ++n) {
            Usr().usno = n;
            SetField(Usr().uident, "U" + std::to_string(n));
            SetField(Usr().uname, "NAME & <" + std::to_string(n) + ">");
            Usr().uicon = 0x4003;
            Usr().ulat = n * 0x1000000;
            ASSERT_EQ(Usr().Insert(), 0);
            for (int order = 0; order < 3; ++order) {
                Rte().Clear();
                Rte().rtsno = n * 10 + order;
                Rte().rtno = n;
                Rte().rtorder = order;
                Rte().rttype = order % 2 ? 4 : 0;
                SetField(Rte().rtident, "R" + std::to_string(order));
                SetField(Rte().rtname1, "TITLE");
                SetField(Rte().rtname2, "CITY@ST");
                ASSERT_EQ(Rte().Insert(), 0);
            }
        }
    }
    void TearDown() override {
        Usr().Close();
        Rte().Close();
        ManagerTestFolder::TearDown();
    }
    static dfUSR& Usr() { return *KestraneDb().usr; }
    static dfRTE& Rte() { return *KestraneDb().rte; }

    platform::App app;
};

TEST_F(ExchangeFuzz, DamagedFilesAreReadSafely) {
    const uint16_t products[10] = {0, 41, 45, 48, 71, 112, 128, 145, 364, 402};
    std::vector<std::pair<std::string, bool>> sound;  // file, routes
    for (int format = 1; format <= 9; ++format) {
        std::string bytes;
        ASSERT_TRUE(ExportUsrGar(Usr(), format, products[format], 0, bytes));
        sound.emplace_back(bytes, false);
        ASSERT_TRUE(ExportRteGar(Rte(), format, products[format], bytes));
        sound.emplace_back(bytes, true);
    }
    std::string usrGpx, rteGpx;
    WriteGpxWaypoint(usrGpx, Usr(), 0);
    WriteGpxRoute(rteGpx, Rte(), 0);

    std::mt19937 rng(2021);
    for (int round = 0; round < 600; ++round) {
        const auto& [file, routes] = sound[rng() % sound.size()];
        int32_t highest = 1000;
        GarReader reader(Mutated(file, rng));
        GarPacket packet;
        GarHeader header;
        if (routes) {
            ImportRouteNumbers numbers(Rte());
            if (StartGarImport(reader, packet, header, true)) ImportRteGar(reader, packet, header, Rte(), highest, numbers);
        } else if (StartGarImport(reader, packet, header, false)) {
            ImportUsrGar(reader, packet, header, Usr(), highest);
        }
        // GPX, read from a buffer of exactly the file's size.
        const std::string gpx = Mutated(rng() % 2 ? usrGpx : rteGpx, rng);
        const std::unique_ptr<char[]> exact(new char[gpx.size()]);
        std::copy(gpx.begin(), gpx.end(), exact.get());
        ImportRouteNumbers numbers(Rte());
        ReadGpxWaypoints(std::string_view(exact.get(), gpx.size()), Usr(), highest, 5);
        ReadGpxRoutes(std::string_view(exact.get(), gpx.size()), Rte(), highest, numbers);
        if (round % 50 == 49) {  // keep route numbers free
            Rte().SelectIndex("rtsno");
            Rte().Rewind();
            while (Rte().Next(1) == 0) ASSERT_EQ(Rte().Erase(), 0);
        }
    }
}

}  // namespace

// The emulated handheld's volume file read back: a payload that is damaged
// behind a good checksum is refused with its reason, never half-read (what a
// volume holds coming back as written is the remote API tests' part).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "device_inspect.h"
#include "support/test_support.h"
#include "volume_file.h"

namespace {

using emu::Volume;

// One database with a sort order and a record with a property of each type.
Volume Sample() {
    Volume volume;
    volume.nextOid = 0x00010009;
    emu::Database db;
    // Type "RLP ": a space is one of a type's letters.
    db.oid = 0x00010001, db.type = 0x524C5020, db.flags = 5, db.name = VZ_WIDE("Home"),
    db.modified = 0x01D5000011112222ull;
    db.sorts.push_back({0x00010003, CEDB_SORT_DESCENDING});
    emu::Record record;
    record.oid = 0x00010002;
    const WORD types[] = {
        CEVT_I2, CEVT_UI2, CEVT_I4, CEVT_UI4, CEVT_BOOL, CEVT_R8, CEVT_FILETIME, CEVT_LPWSTR, CEVT_BLOB};
    WORD n = 0;
    for (WORD type : types) {
        emu::Property prop;
        prop.id = (static_cast<CEPROPID>(++n) << 16) | type;
        prop.flags = n;
        prop.number = type == CEVT_I2 || type == CEVT_UI2        ? 0xBEEF
                      : type == CEVT_R8 || type == CEVT_FILETIME ? 0x0123456789ABCDEFull
                                                                 : 0x89ABCDEF;
        if (type == CEVT_LPWSTR) prop.text = VZ_WIDE("Cabin");
        if (type == CEVT_BLOB) prop.blob = {1, 2, 3};
        record.properties.push_back(prop);
    }
    db.records.push_back(record);
    volume.databases.push_back(db);
    return volume;
}

std::vector<uint8_t> PayloadOf(const std::vector<uint8_t>& file) { return {file.begin() + 20, file.end()}; }

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string Refusal(const std::vector<uint8_t>& file) {
    Volume kept = Sample();
    std::string why = "(read)";
    if (emu::DecodeVolume(file, kept, &why)) return "(read)";
    EXPECT_EQ(emu::EncodeVolume(Sample()), emu::EncodeVolume(kept)) << "a refused file changes nothing";
    return why;
}

// Cut anywhere, the payload is refused, however well sealed.
TEST(VolumeFile, EveryCutPayloadIsRefused) {
    const std::vector<uint8_t> payload = PayloadOf(emu::EncodeVolume(Sample()));
    for (size_t cut = 0; cut < payload.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_NE("(read)", Refusal(emu::SealVolume({payload.begin(), payload.begin() + cut})));
    }
    std::vector<uint8_t> longer = payload;
    longer.push_back(0);
    EXPECT_EQ("trailing bytes after the last database", Refusal(emu::SealVolume(longer)));
}

TEST(VolumeFile, DamageIsRefusedWithItsReason) {
    const std::vector<uint8_t> good = emu::EncodeVolume(Sample());
    const std::vector<uint8_t> payload = PayloadOf(good);
    const auto patched = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = payload;
        PutU32(bytes, at, value);
        return emu::SealVolume(bytes);
    };
    const auto changed = [](const std::function<void(emu::Database&)>& change) {
        Volume volume = Sample();
        change(volume.databases[0]);
        return emu::EncodeVolume(volume);
    };
    std::vector<uint8_t> version = good, size = good, checksum = good;
    PutU32(version, 8, 2);
    PutU32(size, 12, static_cast<uint32_t>(payload.size() + 1));
    checksum[16] ^= 1;
    // Payload offsets: database count 4, name length 20, sort count 40,
    // record count 52, property count 60.
    const struct {
        const char* why;
        std::vector<uint8_t> file;
    } cases[] = {
        {"not a database volume", {good.begin(), good.begin() + 19}},
        {"not a database volume", std::vector<uint8_t>(40, 'V')},
        {"unknown volume format version 2", version},
        {"volume size does not match its header", size},
        {"volume checksum mismatch", checksum},
        {"truncated volume header", patched(4, 0xFFFFFFFF)},
        // One database in the 28 bytes of the smallest header: read, and its id 0 refused.
        {"invalid database header",
         [&] {
             std::vector<uint8_t> bytes(8 + 28, 0);
             PutU32(bytes, 4, 1);
             return emu::SealVolume(bytes);
         }()},
        {"damaged database header", patched(20, 0xFFFFFFFF)},
        {"damaged database header", patched(40, 0xFFFFFFFF)},
        {"damaged record count", patched(52, 0xFFFFFFFF)},
        {"damaged record", patched(60, 0xFFFFFFFF)},
        {"invalid database header", changed([](emu::Database& db) { db.oid = 0; })},
        {"invalid database header", changed([](emu::Database& db) { db.name.clear(); })},
        {"invalid database header", changed([](emu::Database& db) { db.name.assign(32, VZ_WIDE('x')); })},
        {"damaged database header", changed([](emu::Database& db) { db.sorts.resize(5); })},
        {"damaged record", changed([](emu::Database& db) { db.records[0].oid = 0; })},
        {"damaged property value",
         changed([](emu::Database& db) { db.records[0].properties[0].id = 0x00010007; })},
        // The last property, the blob, says it runs far past the file's end.
        {"damaged property value", patched(payload.size() - 7, 0xFFFFFFFF)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.why, Refusal(c.file));
    }
    // The longest name and the most sort orders a database may have are read.
    EXPECT_EQ("(read)", Refusal(changed([](emu::Database& db) {
                  db.name.assign(31, VZ_WIDE('x'));
                  db.sorts.resize(4);
              })));
}

// The inspector lists the handheld's files by their paths there, and a
// volume's databases with their times in UTC.
TEST(VolumeFile, InspectorListsDatabasesWithTheirTimes) {
    TempFolder root;
    std::filesystem::create_directories(root.file("Maps/Alps"));
    ASSERT_EQ(0u, emu::SaveVolumeFile(root.file("Maps/Alps/RoverlogDBV.cdb"), Sample()));
#if !defined(_WIN32)
    std::filesystem::create_symlink("gone", root.file("Maps/lost"));  // a file whose size cannot be had
#endif
    const auto inspect = [](const std::string& folder, int& result) {
        std::FILE* out = std::tmpfile();
        result = emu::InspectDevice(folder, out);
        std::string listing(static_cast<size_t>(std::ftell(out)), '\0');
        std::rewind(out);
        listing.resize(std::fread(&listing[0], 1, listing.size(), out));
        std::fclose(out);
        return listing;
    };
    // A volume cut short is said to be damaged; a root that is no folder is no device.
    const std::string whole = ReadFileText(root.file("Maps/Alps/RoverlogDBV.cdb"));
    std::filesystem::create_directories(root.file("Cut"));
    WriteFileBytes(root.file("Cut/RoverlogDBV.cdb"), whole.substr(0, whole.size() / 2));
    int result = -1;
    const std::string listing = inspect(root.path(), result);
    EXPECT_EQ(0, result);
    EXPECT_NE(std::string::npos, listing.find("\\Cut\\RoverlogDBV.cdb  ")) << listing;
    EXPECT_NE(std::string::npos, listing.find(" UTC\n    damaged volume: ")) << listing;
    EXPECT_EQ("Not a device folder: " + root.file("Cut/RoverlogDBV.cdb") + "\n",
              inspect(root.file("Cut/RoverlogDBV.cdb"), result));
    EXPECT_EQ(1, result);
    EXPECT_NE(std::string::npos, listing.find("\n\\Maps\\Alps\\\n\\Maps\\Alps\\RoverlogDBV.cdb  "))
        << listing;
#if !defined(_WIN32)
    EXPECT_NE(std::string::npos, listing.find("\n\\Maps\\lost  0 bytes  ")) << listing;
#endif
    EXPECT_NE(
        std::string::npos,
        listing.find("database \"Home\" oid 65537 type 0x524C5020 \"RLP \" flags 0x5 records 1 modified "
                     "2019-05-01 09:27:16.3633186 UTC\n      sort property 0x00010003 flags 0x1\n"
                     "      record oid 65538\n        property 1 (0x00010002): i2 -16657\n"
                     "        property 2 (0x00020012): ui2 48879\n"
                     "        property 3 (0x00030003): i4 -1985229329\n"
                     "        property 4 (0x00040013): ui4 2309737967\n"
                     "        property 5 (0x0005000B): bool true\n"
                     "        property 6 (0x00060005): r8 3.512700564e-303\n"
                     "        property 7 (0x00070040): filetime 1860-10-20 15:48:41.6486895 UTC\n"
                     "        property 8 (0x0008001F): text \"Cabin\"\n"
                     "        property 9 (0x00090041): blob 3 bytes\n"))
        << listing;
}

}  // namespace

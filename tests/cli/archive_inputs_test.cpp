// Compressed and bundled inputs: gzip, KMZ, and a Strava-style export zip.
#include <filesystem>

#include "maps/zip_archive.h"
#include "support/fit_file.h"
#include "tool_runner.h"

namespace cli_test {
namespace {

using ArchiveInputs = ToolTest;

// What the library's build unpacks, as the build says.
#if defined(VEZUVED_HAVE_ZLIB)
constexpr bool kReadsGzip = true;
#else
constexpr bool kReadsGzip = false;
#endif
#if defined(VEZUVED_HAVE_LIBZIP)
constexpr bool kReadsZip = true;
#else
constexpr bool kReadsZip = false;
#endif

const char* const kRide =
    "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><name>gpx title</name><trkseg>"
    "<trkpt lat=\"46.5\" lon=\"8.25\"><ele>1000.5</ele><time>2021-08-14T06:00:00Z</time></trkpt>"
    "<trkpt lat=\"46.75\" lon=\"8.5\"><time>2021-08-14T06:00:01Z</time></trkpt></trkseg></trk></gpx>\n";

const char* const kRun =
    "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\">"
    "<Activities><Activity><Id>2021-08-15T06:00:00Z</Id><Lap><Track><Trackpoint><Time>2021-08-15T06:00:00Z"
    "</Time><Position><LatitudeDegrees>45.5</LatitudeDegrees><LongitudeDegrees>7.5</LongitudeDegrees>"
    "</Position></Trackpoint></Track></Lap></Activity></Activities></TrainingCenterDatabase>\n";

bool CanPack() { return kReadsGzip && kReadsZip && HasProgram("zip") && HasProgram("gzip"); }

// A zip is known by its first four bytes together, whatever its name.
TEST_F(ArchiveInputs, OnlyAZipsFourMagicBytesMakeAZip) {
    const struct {
        std::string bytes;
        bool zip;
    } cases[] = {
        {std::string("PK\x03\x04rest", 8), true},
        {"PK\x05\x06", false},
        {"xy\x03\x04", false},
        {"PK\x03", false},
        {"", false},
    };
    for (const auto& c : cases) {
        WriteFile(Out("a.kmz"), c.bytes);
        EXPECT_EQ(c.zip, vezuved::maps::IsZipFile(Out("a.kmz"))) << c.bytes;
    }
}

TEST_F(ArchiveInputs, GzippedFileIsReadAsWhatItHolds) {
    if (!kReadsGzip || !HasProgram("gzip")) GTEST_SKIP() << "no gzip here";
    WriteFile(Out("ride.gpx"), kRide);
    ASSERT_EQ(RunShell("gzip -n " + Quoted(Out("ride.gpx"))), 0);
    // Two gzip members one after another are one file, as gunzip reads them.
    ASSERT_EQ(RunShell("cat " + Quoted(Out("ride.gpx.gz")) + " > " + Quoted(Out("twice.gz"))), 0);
    const std::string json = Ok({"convert", Out("ride.gpx.gz"), "-o", "-", "--to", "geojson"});
    EXPECT_NE(json.find("[8.25, 46.5, 1000.5"), std::string::npos) << json;
    // Cut short, and no gzip at all: each said with its file.
    const std::string packed = ReadFile(Out("ride.gpx.gz"));
    WriteFile(Out("short.gpx.gz"), packed.substr(0, packed.size() / 2));
    WriteFile(Out("plain.gpx.gz"), kRide);
    Fails(1, {"convert", Out("short.gpx.gz"), Out("a.geojson")}, "short.gpx.gz': its gzip data ends early");
    Fails(1,
          {"convert", Out("plain.gpx.gz"), Out("b.geojson")},
          "plain.gpx.gz': it is no readable gzip file (incorrect header check)");
    EXPECT_FALSE(std::filesystem::exists(Out("a.geojson")) || std::filesystem::exists(Out("b.geojson")));
}

TEST_F(ArchiveInputs, ExportBecomesOneDatabasePerActivityNamedByItsList) {
    if (!CanPack()) GTEST_SKIP() << "this build or machine packs no zip or gzip";
    const std::string folder = Out("export");
    std::filesystem::create_directories(folder + "/activities");
    std::filesystem::create_directories(folder + "/media");
    WriteFile(folder + "/activities/101.gpx", kRide);
    WriteFile(folder + "/activities/102.tcx", kRun);
    using namespace fit_test;
    WriteFile(folder + "/activities/103.fit",
              Fit()
                  .Define(0, 0, {{0, 1, kEnum}})
                  .Data(0, {4})
                  .Define(1, 20, {{253, 4, kUint32}, {0, 4, kSint32}, {1, 4, kSint32}})
                  .Data(1, {kT0, Deg(45), Deg(11.25)})
                  .File());
    // Files of no map format, some the tool reads alone, are passed over here.
    for (const char* other : {"/media/photo.jpg", "/media/notes.txt", "/media/old.pdb", "/media/map.svg"})
        WriteFile(folder + other, "not a track");
    // A name with a comma and quotes, a description over two lines.
    WriteFile(
        folder + "/activities.csv",
        "Activity ID,Activity Date,Activity Name,Activity Type,Activity Description,Filename\n"
        "101,\"Aug 14, 2021\",\"Ridge, \"\"the long way\"\"\",Ride,\"two\nlines\",activities/101.gpx.gz\n"
        "102,\"Aug 15, 2021\",Lake run,Run,,activities/102.tcx.gz\n"
        "103,\"Aug 16, 2021\",Evening walk,Walk,,activities/103.fit.gz\n"
        "104,\"Aug 17, 2021\",Manual entry,Run,,\n");
    ASSERT_EQ(RunShell("cd " + Quoted(folder) + " && gzip -n activities/*.* && zip -qr ../export.zip ."), 0);

    const std::string databases = Out("pdb");
    std::filesystem::create_directories(databases);
    const ToolResult run = RunTool({"convert", Out("export.zip"), "--to", "pdb", "-o", databases + "/"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("4 file(s) of the archive hold no track and are passed over"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("left out"), std::string::npos) << run.err;
    EXPECT_EQ(FolderNames(databases),
              (std::vector<std::string>{
                  "export-Evening walk.pdb", "export-Lake run.pdb", "export-Ridge, _the long way.pdb"}))
        << run.out;
    // Each database is named as the list names its activity, after the output's own name.
    EXPECT_EQ(ReadFile(databases + "/export-Lake run.pdb").substr(0, 16),
              std::string("export-Lake run\0", 16));
    const std::string shown = Ok({"show", databases + "/export-Lake run.pdb"});
    EXPECT_NE(shown.find("45.5000000"), std::string::npos) << shown;
}

// A KMZ's KML files are read all, its doc.kml (in any case) first; a
// NetworkLink to a file inside is read with them, one to the web is said.
TEST_F(ArchiveInputs, KmzReadsEveryKmlInside) {
    if (!kReadsZip || !HasProgram("zip")) GTEST_SKIP() << "no zip here";
    const std::string folder = Out("kmz");
    std::filesystem::create_directories(folder + "/files");
    const auto placemark = [](const char* name, const char* at) {
        return std::string("<Placemark><name>") + name + "</name><Point><coordinates>" + at +
               "</coordinates></Point></Placemark>";
    };
    WriteFile(folder + "/files/b.kml", "<kml><Document>" + placemark("B", "2,1") + "</Document></kml>");
    WriteFile(folder + "/DOC.KML",
              "<kml><Document>\n<NetworkLink><Link><href>files/b.kml</href></Link></NetworkLink>\n"
              "<NetworkLink><Link><href>https://example.org/c.kml</href></Link></NetworkLink>\n"
              "<NetworkLink><Link><href>././z.kml</href></Link></NetworkLink>" +
                  placemark("A", "1,1") + "</Document></kml>");
    WriteFile(folder + "/z.kml", "<kml>" + placemark("Z", "3,1") + "</kml>");
    ASSERT_EQ(RunShell("cd " + Quoted(folder) + " && zip -q ../all.kmz z.kml files/b.kml DOC.KML"), 0);
    const ToolResult run = RunTool({"show", Out("all.kmz")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.err,
        "vezuved: " + Out("all.kmz") +
            ":3: a NetworkLink to 'https://example.org/c.kml' is not followed: only the KML files inside "
            "a KMZ are read\n");
    const size_t a = run.out.find("\nA "), z = run.out.find("\nZ "), b = run.out.find("\nB ");
    EXPECT_TRUE(a != std::string::npos && a < z && z < b && b != std::string::npos) << run.out;
}

// Little-endian bytes of a value, as zip headers hold them.
std::string Le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

// A zip of one file, named localName by its own header and centralName by
// the directory; method 8 is deflate, 0 stored; no checksum.
std::string OneFileZip(const std::string& localName,
                       const std::string& centralName,
                       uint16_t method,
                       const std::string& data,
                       uint32_t unpacked) {
    const std::string sizes = Le(0, 4) + Le(static_cast<uint32_t>(data.size()), 4) + Le(unpacked, 4);
    const std::string local = Le(0x04034b50, 4) + Le(20, 2) + Le(0, 2) + Le(method, 2) + Le(0, 4) + sizes +
                              Le(static_cast<uint32_t>(localName.size()), 2) + Le(0, 2) + localName;
    const std::string central = Le(0x02014b50, 4) + Le(20, 2) + Le(20, 2) + Le(0, 2) + Le(method, 2) +
                                Le(0, 4) + sizes + Le(static_cast<uint32_t>(centralName.size()), 2) +
                                Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + centralName;
    return local + data + central + Le(0x06054b50, 4) + Le(0, 4) + Le(1, 2) + Le(1, 2) +
           Le(static_cast<uint32_t>(central.size()), 4) +
           Le(static_cast<uint32_t>(local.size() + data.size()), 4) + Le(0, 2);
}

// A KMZ whose directory says its doc.kml holds 1000 bytes that unpack to
// "<kml>" and a GiB of blanks: deflate's copies of 258 bytes at distance 1.
std::string UnderstatedKmz() {
    std::string data;
    uint64_t bits = 0;
    int count = 0;
    const auto put = [&](uint32_t value, int n) {  // deflate packs bits from the lowest
        bits |= static_cast<uint64_t>(value) << count;
        for (count += n; count >= 8; count -= 8, bits >>= 8) data += static_cast<char>(bits & 0xFF);
    };
    const auto literal = [&](unsigned char c) {  // code 0x30 + c, 8 bits, highest first
        uint32_t reversed = 0;
        for (int i = 0; i < 8; ++i) reversed |= ((0x30u + c) >> i & 1) << (7 - i);
        put(reversed, 8);
    };
    put(3, 3);  // the last block, fixed codes
    for (unsigned char c : std::string("<kml> ")) literal(c);
    for (int i = 0; i < 4200000; ++i) put(0xA3, 13);  // length 258 (code 285), distance 1 (code 0)
    put(0, 7);                                        // end of block
    if (count > 0) data += static_cast<char>(bits);
    return OneFileZip("doc.kml", "doc.kml", 8, data, 1000);
}

// What a KMZ unpacks is counted over every chunk, whatever its directory says.
TEST_F(ArchiveInputs, AKmzIsRefusedForWhatItUnpacksInAll) {
    if (!kReadsZip) GTEST_SKIP() << "this build reads no KMZ";
    WriteFile(Out("big.kmz"), UnderstatedKmz());
    Fails(1,
          {"show", Out("big.kmz")},
          "vezuved: cannot read '" + Out("big.kmz") +
              "': its 'doc.kml' unpacks to more than the 1073741824 a KMZ may hold\n");
}

// A KMZ whose file header disagrees with its directory is refused whole, not read as either says.
TEST_F(ArchiveInputs, AKmzAtOddsWithItsDirectoryIsRefused) {
    if (!kReadsZip) GTEST_SKIP() << "this build reads no KMZ";
    WriteFile(Out("odd.kmz"), OneFileZip("dox.kml", "doc.kml", 0, "", 0));
    Fails(1,
          {"show", Out("odd.kmz")},
          "vezuved: cannot read '" + Out("odd.kmz") +
              "': it is no readable KMZ (zip archive): Zip archive inconsistent");
}

}  // namespace
}  // namespace cli_test

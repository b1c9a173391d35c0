// FIT files read through the core, each assembled here byte by byte, and the
// damaged and hostile files a device or a person may hand over.

#include <cstdint>
#include <map>

#include "core_text.h"
#include "support/fit_file.h"

using namespace fit_test;

// Fields given flat: number, size and type of each in turn.
static std::vector<Field> F(std::initializer_list<int> flat) {
    std::vector<Field> fields;
    for (auto at = flat.begin(); at + 2 < flat.end(); at += 3) fields.push_back({at[0], at[1], at[2]});
    return fields;
}

// Definitions the cases share: file_id, record, lap, event.
static Fit Activity() {
    return Fit()
        .Define(0, 0, F({0, 1, kEnum, 4, 4, kUint32}))
        .Data(0, {4, kT0})
        .Define(1, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 2, 2, kUint16, 78, 4, kUint32}))
        .Define(2, 19, F({253, 4, kUint32, 254, 2, kUint16}))
        .Define(3, 21, F({253, 4, kUint32, 0, 1, kEnum, 1, 1, kEnum}));
}

// A file's bytes with one changed.
static std::string Changed(std::string bytes, size_t at, char value) {
    bytes.at(at) = value;
    return bytes;
}

// An activity of one record.
static Fit OnePoint() { return Activity().Data(1, {kT0, Deg(45), Deg(11.25), 3000, 0xFFFFFFFF}); }

TEST(CoreFit, ActivitiesCoursesSensorsAndDamagedFiles) {
    const std::string twoPoints = OnePoint().Data(1, {kT0 + 1, Deg(45), Deg(22.5), 0xFFFF, 3005}).File();
    const std::string course =
        Fit()
            .Define(0, 0, F({0, 1, kEnum}))
            .Data(0, {6})
            .Define(1, 31, F({5, 8, kText}))
            .Data(1, {"Ridge"})
            .Define(2, 20, F({0, 4, kSint32, 1, 4, kSint32}))
            .Data(2, {Deg(-22.5), Deg(-45)})
            .Data(2, {Deg(-22.5), Deg(-90)})
            .Define(
                3,
                32,
                F({254, 2, kUint16, 1, 4, kUint32, 2, 4, kSint32, 3, 4, kSint32, 6, 8, kText, 5, 1, kEnum}))
            .Data(3, {0, kT0, Deg(-22.5), Deg(-45), "Top", 1})
            .Data(3, {1, kT0, kNone32, kNone32, "Nowhere", 0})
            .Data(3, {2, kT0, Deg(-22.5), Deg(-90), "Turn", 0})
            .Define(4, 29, F({253, 4, kUint32, 0, 6, kText, 1, 4, kSint32, 2, 4, kSint32, 4, 2, kUint16}))
            .Data(4, {kT0 + 60, "H\xfctte", Deg(45), Deg(90), 3500})
            .Data(4, {kT0 + 90, "Far", Deg(95), Deg(90), 3500})
            .File(12);
    const ReadCase cases[] = {
        {"two laps and a pause; enhanced altitude first; records without a position left out",
         Activity()
             .Data(1, {kT0, Deg(45), Deg(11.25), 3000, 0xFFFFFFFF})
             .Data(1, {kT0 + 1, Deg(45), Deg(22.5), 3000, 3005})
             .Data(2, {kT0 + 1, 0})  // the lap ends: the record of its second is still its own
             .Data(1, {kT0 + 1, Deg(45), Deg(33.75), 0xFFFF, 0xFFFFFFFF})
             .Data(1, {kT0 + 2, kNone32, kNone32, 3000, 0xFFFFFFFF})
             .Data(1, {kT0 + 3, Deg(45), Deg(45), 3000, 0xFFFFFFFF})
             .Data(3, {kT0 + 3, 0, 4})  // the timer stops: the record of the pause is still this segment's
             .Data(1, {kT0 + 9, Deg(-45), Deg(45), 3000, 0xFFFFFFFF})
             .Data(3, {kT0 + 10, 0, 0})
             .Data(1, {0xFFFFFFFF, Deg(-45), Deg(56.25), 3000, 0xFFFFFFFF})
             .File(),
         "T 'activity 2021-09-08' 6: 11.25,45^100@1631065600000 22.5,45^101@1631065601000 33.75,"
         "45@1631065601000 /45,45^100@1631065603000 45,-45^100@1631065609000 /56.25,-45^100\n"},
        {"the timer started again begins a segment, whatever time a lap before it gave",
         Activity()
             .Data(1, {kT0, Deg(45), Deg(11.25), 3000, 0xFFFFFFFF})
             .Data(2, {kT0 + 5, 0})
             .Data(1, {kT0 + 1, Deg(45), Deg(22.5), 3000, 0xFFFFFFFF})
             .Data(3, {kT0 + 2, 0, 4})
             .Data(3, {kT0 + 3, 0, 0})
             .Data(1, {kT0 + 4, Deg(45), Deg(33.75), 3000, 0xFFFFFFFF})
             .File(),
         "T 'activity 2021-09-08' 3: 11.25,45^100@1631065600000 22.5,45^100@1631065601000 "
         "/33.75,45^100@1631065604000\n"},
        {"compressed timestamps rolling over; a big-endian definition",
         Fit()
             .Define(0, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32}), true)
             .Data(0, {kT0 + 30, Deg(1.40625), Deg(2.8125)})
             .Define(1, 20, F({0, 4, kSint32, 1, 4, kSint32, 2, 2, kUint16}))
             .Data(1, {Deg(1.40625), Deg(5.625), 2500}, 31)
             .Data(1, {Deg(1.40625), Deg(11.25), 2500}, 2)
             .Data(1, {Deg(1.40625), Deg(22.5), 2500}, 2)
             .File(),
         "T 'activity 2021-09-08' 4: 2.8125,1.40625@1631065630000 5.625,1.40625^0@1631065631000 11.25,"
         "1.40625^0@1631065634000 22.5,1.40625^0@1631065634000\n"},
        {"developer fields, an unknown message and unknown fields passed over",
         Fit()
             .Define(0,
                     20,
                     F({253, 4, kUint32, 99, 3, kUint8, 0, 4, kSint32, 7, 0, kUint8, 1, 4, kSint32}),
                     false,
                     {{0, 3, 0}, {1, 1, 0}})
             .Data(0, {kT0, 7, Deg(45), 0, Deg(90), 1, 2})
             .Define(1, 65280, F({0, 200, kUint8}), false, {{0, 255, 0}})
             .Raw(std::string(1, '\1') + std::string(455, '\x55'))
             .Data(0, {kT0 + 1, 7, Deg(45), 0, Deg(-90), 1, 2})
             .File(),
         "T 'activity 2021-09-08' 2: 90,45@1631065600000 -90,45@1631065601000\n"},
        {"a course: its name, course points (type 0 too) and a location (Windows-1252 name)",
         course,
         "W 'waypoints' 3: -45,-22.5@1631065600000 'Top' #Summit -90,-22.5@1631065600000 'Turn' #Generic "
         "90,45^200@1631065660000 'H\xc3\xbctte'\n"
         "T 'Ridge' 2: -45,-22.5 -90,-22.5\n",
         "0 DIR/trip.fit: waypoint 4 'Far': latitude 94.99999995343387 is outside -90..90; the point is left "
         "out\n"
         "0 DIR/trip.fit: 1 course point(s) or location(s) without a position are left out\n"},
        {"chained files: a track each, a course's without times by its kind",
         twoPoints + Fit()
                         .Define(0, 0, F({0, 1, kEnum}))
                         .Data(0, {6})
                         .Define(1, 20, F({0, 4, kSint32, 1, 4, kSint32}))
                         .Data(1, {Deg(-22.5), Deg(-45)})
                         .File(14, false),
         "T 'activity 2021-09-08' 2: 11.25,45^100@1631065600000 22.5,45^101@1631065601000\n"
         "T 'course' 1: -45,-22.5\n"},
        {"wrong CRCs: read all the same",
         Changed(Changed(twoPoints, 12, '\x12'), twoPoints.size() - 1, '\0'),
         "T 'activity 2021-09-08' 2: 11.25,45^100@1631065600000 22.5,45^101@1631065601000\n",
         "0 DIR/trip.fit: byte 0: the header's CRC is 0x5F12 where its bytes give 0x5FBE; it is read all the "
         "same\n0 DIR/trip.fit: byte 118: the file's CRC is 0x00F3 where its bytes give 0x7D81; it is read "
         "all the same\n"},
        {"a second file of its header alone, the header's CRC wrong",
         twoPoints + Changed(Fit().File().substr(0, 14), 12, '\x12'),
         "T 'activity 2021-09-08' 2: 11.25,45^100@1631065600000 22.5,45^101@1631065601000\n",
         "0 DIR/trip.fit: byte 120: the header's CRC is 0xD112 where its bytes give 0xD1B9; it is read all "
         "the same\n0 DIR/trip.fit: the file ends early, at byte 134 where its header gives 136; what was "
         "read before is kept\n"},
        {"cut short inside a record",
         twoPoints.substr(0, twoPoints.size() - 5),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         "0 DIR/trip.fit: the file ends early, at byte 115 where its header gives 120; what was read before "
         "is kept\n"},
        {"trailing bytes that are no FIT file",
         twoPoints + ".GIT",
         "T 'activity 2021-09-08' 2: 11.25,45^100@1631065600000 22.5,45^101@1631065601000\n",
         "0 DIR/trip.fit: byte 120: the 4 byte(s) that follow are no FIT file; they are left out\n"},
        {"a definition claiming more fields than the data holds",
         OnePoint().Raw(std::string("\x44\0\0\x14\0\xff\0\x04\x85", 9)).File(),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         "0 DIR/trip.fit: byte 99: a message runs past the end of the data, byte 108; the rest of the data "
         "is left out\n"},
        {"a record one byte short of its definition, at the data's end",
         OnePoint().Raw("\x01" + std::string(17, '\0')).File(),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         "0 DIR/trip.fit: byte 99: a message runs past the end of the data, byte 117; the rest of the data "
         "is left out\n"},
        {"a definition whose developer fields end with the data",
         OnePoint().Raw(std::string("\x65\0\0\x14\0\0\x01\0\x02\0", 10)).File(),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         ""},
        {"a definition of two developer fields with the bytes of one",
         OnePoint().Raw(std::string("\x65\0\0\x14\0\0\x02\0\x02\0", 10)).File(),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         "0 DIR/trip.fit: byte 99: a message runs past the end of the data, byte 109; the rest of the data "
         "is left out\n"},
        {"a definition of no fields, last in the data",
         OnePoint().Define(5, 20, {}).File(),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         ""},
        {"a message before its definition; a data size beyond the file",
         Changed(OnePoint().Raw("\x09").File(14, false), 7, '\1'),
         "T 'activity 2021-09-08' 1: 11.25,45^100@1631065600000\n",
         "0 DIR/trip.fit: byte 99: a message of local type 9 comes before any definition of it; the rest of "
         "the data is left out\n0 DIR/trip.fit: the file ends early, at byte 102 where its header gives "
         "16777318; what was read before is kept\n"},
        {"a latitude beyond the pole; times counted from the device's start",
         Activity()
             .Data(1, {kT0, Deg(135), Deg(11.25), 3000, 0xFFFFFFFF})
             .Data(1, {1000, Deg(45), Deg(11.25), 3000, 0xFFFFFFFF})
             .File(),
         "T 'activity' 1: 11.25,45^100\n",
         "0 DIR/trip.fit: record at byte 80: latitude 135 is outside -90..90; the point is left out\n"
         "0 DIR/trip.fit: 1 point(s) are timed from the device's start, not by a clock: they keep no time\n"},
        {"a longitude given unsigned, past 180",
         Fit()
             .Define(0, 0, F({0, 1, kEnum, 4, 4, kUint32}))
             .Data(0, {4, kT0})
             .Define(1, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kUint32}))
             .Data(1, {kT0, Deg(45), 0xF0000000})
             .Data(1, {kT0 + 1, Deg(45), Deg(11.25)})
             .File(),
         "T 'activity 2021-09-08' 1: 11.25,45@1631065601000\n",
         "0 DIR/trip.fit: record at byte 47: longitude 337.5 is outside -180..180; the point is left out\n"},
        {"chained files: what the first says of itself is not the next one's",
         Fit().Define(0, 0, F({0, 1, kEnum}))
                 .Data(0, {6})
                 .Define(1, 20, F({0, 4, kSint32, 1, 4, kSint32}))
                 .Data(1, {Deg(-22.5), Deg(-45)})
                 .File(14) +
             Fit()
                 .Define(0, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32}))
                 .Data(0, {kT0, Deg(45), Deg(11.25)})
                 .File(14, false),
         "T 'course' 1: -45,-22.5\nT 'activity 2021-09-08' 1: 11.25,45@1631065600000\n"},
        {"an altitude of the byte type: all ones is none, as for any unsigned type",
         Fit()
             .Define(0, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 2, 1, kByte}))
             .Data(0, {kT0, Deg(45), Deg(11.25), 0xFF})
             .Data(0, {kT0 + 1, Deg(45), Deg(22.5), 0xFE})
             .File(),
         "T 'activity 2021-09-08' 2: 11.25,45@1631065600000 22.5,45^-449.2@1631065601000\n"},
        {"positions of the wrong size and records without one",
         Fit()
             .Define(0, 20, F({253, 4, kUint32, 0, 2, kSint32, 1, 0, kSint32}))
             .Data(0, {kT0, 1, 0})
             .Define(1, 20, F({253, 4, kUint32, 0, 4, kText, 1, 4, kSint32}))
             .Data(1, {kT0, "abc", Deg(45)})
             .File(),
         "",
         "cannot convert 'DIR/trip.fit': it holds no points, routes or tracks",
         VEZUVED_ERROR_FORMAT},
        {"no FIT file",
         "GPX: <gpx/> is not a binary file",
         "",
         "cannot read 'DIR/trip.fit': it is no FIT file",
         VEZUVED_ERROR_FORMAT},
        {"a header cut just after \".FIT\": a FIT file that holds nothing",
         twoPoints.substr(0, 12),
         "",
         "cannot convert 'DIR/trip.fit': it holds no points, routes or tracks",
         VEZUVED_ERROR_FORMAT},
        {"a header alone",
         twoPoints.substr(0, 11),
         "",
         "cannot read 'DIR/trip.fit': it is no FIT file",
         VEZUVED_ERROR_FORMAT},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(ReadOutcome("trip.fit", c.file), Outcome(c.result, c.sets, c.warnings)) << c.what;

    // A record's sensor values (enhanced speed first) written to GPX; its
    // distance and power counted and said.
    const std::string bytes =
        Fit()
            .Define(0, 20, F({253, 4, kUint32, 0, 4, kSint32, 1,  4, kSint32, 3, 1, kUint8,  4, 1, kUint8,
                              13,  1, kSint8,  6, 2, kUint16, 73, 4, kUint32, 5, 4, kUint32, 7, 2, kUint16}))
            .Data(0, {kT0, Deg(45), Deg(90), 142, 88, 0xF6, 5250, 0xFFFFFFFF, 1000, 0xFFFF})
            .Data(0, {kT0 + 1, Deg(45), Deg(90), 0xFF, 0xFF, 0x7F, 5250, 6001, 2000, 250})
            // Heart rates given as uint8z, uint64z and uint32z: 200, 190 and 180, whole numbers.
            .Define(1, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 3, 1, 0x0A}))
            .Data(1, {kT0 + 2, Deg(45), Deg(90), 200})
            .Define(2, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 3, 8, 0x90}))
            .Data(2, {kT0 + 3, Deg(45), Deg(90), 190})
            .Define(3, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 3, 4, 0x8C}))
            .Data(3, {kT0 + 4, Deg(45), Deg(90), 180})
            // A temperature given as sint16: -20; a speed as float32: 0, which is a value.
            .Define(4, 20, F({253, 4, kUint32, 0, 4, kSint32, 1, 4, kSint32, 13, 2, 0x83, 6, 4, 0x88}))
            .Data(4, {kT0 + 5, Deg(45), Deg(90), 0xFFEC, 0})
            .File();
    TempFolder folder;
    Collection collection;
    ASSERT_EQ(vezuved_read(collection.handle, folder.put("ride.fit", bytes).c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(
        Warnings(collection.handle, folder.path()),
        "0 DIR/ride.fit: 2 distance(s) and 1 power value(s) of records have no place and are left out\n");
    ExpectHolds(Document(collection.handle, VEZUVED_FORMAT_GPX),
                {"<gpxtpx:TrackPointExtension>\n            <gpxtpx:atemp>-10</gpxtpx:atemp>\n"
                 "            <gpxtpx:hr>142</gpxtpx:hr>\n            <gpxtpx:cad>88</gpxtpx:cad>\n"
                 "            <gpxtpx:speed>5.25</gpxtpx:speed>\n",
                 "<gpxtpx:TrackPointExtension>\n            <gpxtpx:speed>6.001</gpxtpx:speed>\n"
                 "          </gpxtpx:TrackPointExtension>",
                 "<gpxtpx:hr>200</gpxtpx:hr>",
                 "<gpxtpx:hr>190</gpxtpx:hr>",
                 "<gpxtpx:hr>180</gpxtpx:hr>",
                 "<gpxtpx:atemp>-20</gpxtpx:atemp>\n            <gpxtpx:speed>0</gpxtpx:speed>"});

    // Every prefix and every one-byte change of a small file is read or
    // refused cleanly, never more than the file's points.
    const std::string file = Activity()
                                 .Data(1, {kT0, Deg(45), Deg(11.25), 3000, 0xFFFFFFFF})
                                 .Data(2, {kT0 + 1, 0})
                                 .Data(1, {kT0 + 2, Deg(45), Deg(22.5), 0xFFFF, 3005})
                                 .File();
    for (size_t at = 0; at <= file.size(); ++at) {
        for (const std::string& bytes :
             {file.substr(0, at), at < file.size() ? Changed(file, at, '\xff') : file}) {
            Collection collection;
            const std::string path = folder.put("trip.fit", bytes);
            const int32_t result = vezuved_read(collection.handle, path.c_str(), nullptr);
            EXPECT_TRUE(result == VEZUVED_OK || result == VEZUVED_ERROR_FORMAT) << at;
            if (result == VEZUVED_OK) {
                EXPECT_LE(vezuved_set_point_count(collection.handle, 0), 2) << at;
            }
        }
    }

    // A chain of damaged files is said in a screenful, then counted.
    std::string one = OnePoint().File();
    one.back() = static_cast<char>(one.back() ^ 1);
    std::string chain;
    for (int i = 0; i < 25; ++i) chain += one;
    Collection chained;
    const std::string path = folder.put("trip.fit", chain);
    ASSERT_EQ(vezuved_read(chained.handle, path.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(vezuved_set_count(chained.handle), 25);
    const std::string warnings = Warnings(chained.handle, folder.path());
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 21) << warnings;
    ExpectHolds(warnings, {"\n0 DIR/trip.fit: 5 more warning(s) about damaged bytes are not shown\n"});
}

// FIT, the binary files of Garmin's and other devices and apps (activities,
// courses, saved locations). A file is a 12- or 14-byte header (".FIT", the
// data's size, perhaps the header's CRC), its data messages and a CRC of it
// all; several such files may follow one another in one file. What is read:
//
//   message        global  fields (number name: base type, scale and offset)   becomes
//   file_id        0       0 type: enum (4 activity, 6 course)                 the title's word
//   lap            19      any                                                 ends a segment
//   record         20      253 timestamp: uint32, s since 1989-12-31 UTC       a track point
//                          0 position_lat, 1 position_long: sint32,
//                            semicircles (degrees = value * 180 / 2^31)
//                          2 altitude: uint16, / 5 - 500 m
//                          78 enhanced_altitude: uint32, / 5 - 500 m (first)
//                          3 heart_rate: uint8, bpm; 4 cadence: uint8, rpm;      its sensor values
//                          13 temperature: sint8, C; 6 speed: uint16,
//                          73 enhanced_speed: uint32 (first), / 1000 m/s
//                          5 distance, 7 power                                 counted and said
//   event          21      0 event: enum (0 timer), 1 event_type: enum         a pause ends a segment
//                            (0 start; stops: 1 stop, 4 stop_all, 8 stop_disable, 9 stop_disable_all)
//   location       29      253 timestamp, 0 name: string, 1 position_lat,      a waypoint
//                          2 position_long, 4 altitude: uint16, / 5 - 500 m
//   course         31      5 name: string                                      the track's title
//   course_point   32      1 timestamp, 2 position_lat, 3 position_long,       a waypoint
//                          5 type: enum (0 generic ... 15 sprint), 6 name: string
//
// Every message's timestamp (field 253) is the base of the compressed
// timestamp headers after it. Fields are read by the base type their
// definition gives, and a base type's invalid value is no value: a record
// without a position is no point. Unknown messages and fields, and
// developer fields, are passed over by their defined sizes.
//
// A track is named by its course, else by its kind and the UTC day of its
// first point ("activity 2013-02-06"), as a recorder names its files; each
// FIT file of a chain that holds records is a track of its own.
//
// A wrong CRC is a warning, not a failure: devices that crash mid-write
// leave files whose CRC is wrong or missing, and their points are still
// good. A file cut short keeps the messages read whole before its end.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "sets/encoding.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

constexpr size_t kShortHeader = 12;       // no header CRC
constexpr int64_t kFitEpoch = 631065600;  // 1989-12-31T00:00:00Z in Unix seconds
// Times below this are seconds since the device started, not dates.
constexpr uint32_t kFirstDate = 0x10000000;
constexpr double kDegreesPerSemicircle = 180.0 / 2147483648.0;

constexpr uint16_t kFileId = 0, kLap = 19, kRecord = 20, kEvent = 21, kLocation = 29, kCourse = 31,
                   kCoursePoint = 32;
constexpr uint8_t kTimestamp = 253;
constexpr size_t kDamageShown = 20;
constexpr int kStringType = 7;

// The base types by their number (the low five bits of the type byte).
struct BaseType {
    uint8_t size;
    bool isSigned, zeroInvalid, isFloat;
};
constexpr BaseType kBaseTypes[] = {
    {1, false, false, false},  // 0 enum
    {1, true, false, false},   // 1 sint8
    {1, false, false, false},  // 2 uint8
    {2, true, false, false},   // 3 sint16
    {2, false, false, false},  // 4 uint16
    {4, true, false, false},   // 5 sint32
    {4, false, false, false},  // 6 uint32
    {},                        // 7 string: read as text, never by this table
    {4, false, false, true},   // 8 float32
    {8, false, false, true},   // 9 float64
    {1, false, true, false},   // 10 uint8z
    {2, false, true, false},   // 11 uint16z
    {4, false, true, false},   // 12 uint32z
    {1, false, false, false},  // 13 byte
    {8, true, false, false},   // 14 sint64
    {8, false, false, false},  // 15 uint64
    {8, false, true, false},   // 16 uint64z
};

// A course point's type (0 to 15) as TCX's PointType names it.
const char* const kPointTypes[] = {"Generic",
                                   "Summit",
                                   "Valley",
                                   "Water",
                                   "Food",
                                   "Danger",
                                   "Left",
                                   "Right",
                                   "Straight",
                                   "First Aid",
                                   "4th Category",
                                   "3rd Category",
                                   "2nd Category",
                                   "1st Category",
                                   "Hors Category",
                                   "Sprint"};

// CRC-16 of FIT, a nibble at a time.
uint16_t Crc(uint16_t crc, const std::string& bytes, size_t from, size_t to) {
    static constexpr uint16_t kTable[16] = {0x0000,
                                            0xCC01,
                                            0xD801,
                                            0x1400,
                                            0xF001,
                                            0x3C00,
                                            0x2800,
                                            0xE401,
                                            0xA001,
                                            0x6C00,
                                            0x7800,
                                            0xB401,
                                            0x5000,
                                            0x9C01,
                                            0x8801,
                                            0x4400};
    for (size_t i = from; i < to; ++i) {
        const auto byte = static_cast<uint8_t>(bytes[i]);
        crc = static_cast<uint16_t>((crc >> 4) ^ kTable[crc & 0xF] ^ kTable[byte & 0xF]);
        crc = static_cast<uint16_t>((crc >> 4) ^ kTable[crc & 0xF] ^ kTable[byte >> 4]);
    }
    return crc;
}

uint32_t Little(const std::string& bytes, size_t at, size_t count) {
    uint32_t value = 0;
    for (size_t i = count; i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

std::string Hex(uint16_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
    return text;
}

std::string Byte(size_t at) { return "byte " + std::to_string(at); }

// Whether a FIT file's header begins at bytes[at].
bool IsHeader(const std::string& bytes, size_t at) {
    return bytes.size() - at >= kShortHeader && static_cast<uint8_t>(bytes[at]) >= kShortHeader &&
           bytes.compare(at + 8, 4, ".FIT") == 0;
}

// A time field's seconds; none for a value no uint32 holds (a field of
// another base type).
std::optional<uint32_t> Time(std::optional<double> seconds) {
    if (!seconds || *seconds < 0 || *seconds > 4294967295.0) return std::nullopt;
    return static_cast<uint32_t>(*seconds);
}

struct Field {
    uint8_t number, size, type;
    size_t offset;  // within the message's data
};

struct Definition {
    bool given = false;
    bool bigEndian = false;
    uint16_t global = 0;
    std::vector<Field> fields;
    size_t size = 0;  // of its data messages, developer fields too
};

// A data message's fields, read where they lie in the file.
class Message {
public:
    Message(const Definition& definition, const std::string& bytes, size_t data)
        : definition_(definition), bytes_(bytes), data_(data) {}

    // The field's first value by its base type, scale and offset not applied;
    // none when the message lacks it, it is too small or invalid.
    std::optional<double> Number(uint8_t number) const {
        const Field* field = Find(number);
        if (field == nullptr) return std::nullopt;
        const size_t index = field->type & 0x1F;
        if (index >= std::size(kBaseTypes) || index == kStringType) return std::nullopt;
        const BaseType& base = kBaseTypes[index];
        if (field->size < base.size) return std::nullopt;
        uint64_t raw = 0;
        for (size_t i = 0; i < base.size; ++i) {
            const size_t at = data_ + field->offset + (definition_.bigEndian ? i : base.size - 1 - i);
            raw = raw << 8 | static_cast<uint8_t>(bytes_[at]);
        }
        const uint64_t ones = base.size == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * base.size)) - 1;
        if (base.zeroInvalid ? raw == 0 : raw == (base.isSigned ? ones >> 1 : ones)) return std::nullopt;
        if (base.isFloat) {
            double value;
            if (base.size == 4) {
                float single;
                const auto bits = static_cast<uint32_t>(raw);
                std::memcpy(&single, &bits, sizeof single);
                value = single;
            } else {
                std::memcpy(&value, &raw, sizeof value);
            }
            if (!std::isfinite(value)) return std::nullopt;
            return value;
        }
        if (base.isSigned && base.size < 8 && (raw >> (8 * base.size - 1)) != 0) raw |= ~ones;  // its sign
        return base.isSigned ? static_cast<double>(static_cast<int64_t>(raw)) : static_cast<double>(raw);
    }

    // A string field as UTF-8 (bytes that are not UTF-8 read as Windows-1252);
    // empty when the message lacks it or it is no string.
    std::string Text(uint8_t number) const {
        const Field* field = Find(number);
        if (field == nullptr || (field->type & 0x1F) != kStringType) return "";
        std::string text = bytes_.substr(data_ + field->offset, field->size);
        text.resize(std::strlen(text.c_str()));
        if (FindInvalidUtf8(text) != std::string::npos) text = Cp1252ToUtf8(text);
        return std::string(TrimWhite(text));
    }

    // The point's degrees from the two semicircle fields; false unless both are valid.
    bool Position(uint8_t latitude, uint8_t longitude, Point& point) const {
        const std::optional<double> lat = Number(latitude), lon = Number(longitude);
        if (!lat || !lon) return false;
        point.latitude = *lat * kDegreesPerSemicircle;
        point.longitude = *lon * kDegreesPerSemicircle;
        return true;
    }

    // An altitude field's metres.
    std::optional<double> Altitude(uint8_t number) const {
        const std::optional<double> raw = Number(number);
        if (!raw) return std::nullopt;
        return *raw / 5 - 500;
    }

private:
    const Field* Find(uint8_t number) const {
        for (const Field& field : definition_.fields) {
            if (field.number == number) return &field;
        }
        return nullptr;
    }

    const Definition& definition_;
    const std::string& bytes_;
    size_t data_;
};

class FitReader {
public:
    FitReader(const std::string& bytes, SetCollector& sets) : bytes_(bytes), sets_(sets) {}

    // Reads the FIT file whose header is at start; gives where the next may begin.
    size_t ReadFile(size_t start);
    // Says what was passed over in all the files.
    void Finish();

private:
    void ReadData(size_t start, size_t end, uint64_t dataEnd);
    void Take(const Definition& definition, size_t at, std::optional<uint32_t> time);
    void AddRecord(const Message& message, size_t at, std::optional<uint32_t> time);
    // A record's heart rate, cadence, temperature and speed, as the file gave them.
    SharedExtras SensorValues(const Message& message);
    void AddWaypoint(Point point, std::optional<uint32_t> time);
    // UTC milliseconds of a FIT time; none for one counted from the device's start.
    std::optional<int64_t> Millis(std::optional<uint32_t> time);
    // Says what is wrong with the bytes, the first kDamageShown times: a file
    // of thousands of broken chained files takes a screenful, then a count.
    void Damage(const std::string& cause) {
        if (damaged_++ < kDamageShown) sets_.Warn(0, cause);
    }

    const std::string& bytes_;
    SetCollector& sets_;
    // Of the FIT file being read.
    Definition definitions_[16];
    std::optional<uint32_t> lastTime_;
    std::optional<double> fileType_;
    std::string courseName_;
    std::optional<int64_t> firstTime_;
    bool tracking_ = false, segmentPending_ = false, paused_ = false;
    // A lap's end: the record of that second is still the old segment's,
    // whether written before the lap or after it.
    std::optional<uint32_t> segmentAfter_;
    // Of all of them.
    size_t positioned_ = 0, unpositioned_ = 0, deviceTimes_ = 0, placesWithout_ = 0, waypoints_ = 0,
           damaged_ = 0, distances_ = 0, powers_ = 0;
};

size_t FitReader::ReadFile(size_t start) {
    const size_t headerSize = static_cast<uint8_t>(bytes_[start]);
    const uint64_t dataEnd = uint64_t{start} + headerSize + Little(bytes_, start + 4, 4);
    const uint64_t fileEnd = dataEnd + 2;
    if (headerSize >= 14 && bytes_.size() - start >= 14) {
        const uint16_t given = static_cast<uint16_t>(Little(bytes_, start + 12, 2));
        const uint16_t made = Crc(0, bytes_, start, start + kShortHeader);
        if (given != 0 && given != made)  // 0: the writer made none
            Damage(Byte(start) + ": the header's CRC is " + Hex(given) + " where its bytes give " +
                   Hex(made) + "; it is read all the same");
    }
    if (fileEnd <= bytes_.size()) {
        const auto end = static_cast<size_t>(dataEnd);
        const uint16_t given = static_cast<uint16_t>(Little(bytes_, end, 2));
        const uint16_t made = Crc(0, bytes_, start, end);
        if (given != made)
            Damage(Byte(end) + ": the file's CRC is " + Hex(given) + " where its bytes give " + Hex(made) +
                   "; it is read all the same");
    }

    for (Definition& definition : definitions_) definition = Definition();
    lastTime_.reset();
    fileType_.reset();
    courseName_.clear();
    firstTime_.reset();
    tracking_ = segmentPending_ = paused_ = false;
    segmentAfter_.reset();
    const uint64_t headerEnd = uint64_t{start} + headerSize;
    if (headerEnd < bytes_.size())
        ReadData(static_cast<size_t>(headerEnd),
                 static_cast<size_t>(std::min<uint64_t>(dataEnd, bytes_.size())),
                 dataEnd);
    if (tracking_) {
        // Named as the device names it: by its course, else by its kind and day.
        std::string title = courseName_;
        if (title.empty()) {
            title = fileType_ && *fileType_ == 6 ? "course" : "activity";
            if (firstTime_) title += " " + FormatIsoTime(*firstTime_).substr(0, 10);
        }
        sets_.NameLine(title);
    }
    if (fileEnd > bytes_.size()) {
        // Said whatever was said before: it ends the read, and names where.
        sets_.Warn(0,
                   "the file ends early, at " + Byte(bytes_.size()) + " where its header gives " +
                       std::to_string(fileEnd) + "; what was read before is kept");
        return bytes_.size();
    }
    return static_cast<size_t>(fileEnd);
}

void FitReader::ReadData(size_t at, size_t end, uint64_t dataEnd) {
    // A message that does not fit ends the data: the file was cut there (said
    // by the caller), or its header's size is wrong.
    const auto cut = [&](size_t message) {
        if (end == dataEnd)
            Damage(Byte(message) + ": a message runs past the end of the data, " + Byte(end) +
                   "; the rest of the data is left out");
    };
    while (at < end) {
        const size_t message = at;
        const auto header = static_cast<uint8_t>(bytes_[at]);
        std::optional<uint32_t> time;
        size_t local = header & 0x0F;
        if ((header & 0x80) != 0) {
            // A compressed timestamp: five bits of seconds after the last full time.
            local = (header >> 5) & 0x03;
            if (lastTime_) {
                const uint32_t offset = header & 0x1F;
                uint32_t full = (*lastTime_ & ~uint32_t{0x1F}) + offset;
                if (offset < (*lastTime_ & 0x1F)) full += 0x20;
                lastTime_ = time = full;
            }
        } else if ((header & 0x40) != 0) {
            // reserved, architecture, global number, field count, fields
            if (end - at < 6) return cut(message);
            Definition definition;
            definition.given = true;
            definition.bigEndian = bytes_[at + 2] != 0;
            const uint32_t global = Little(bytes_, at + 3, 2);
            definition.global =
                static_cast<uint16_t>(definition.bigEndian ? (global >> 8 | (global & 0xFF) << 8) : global);
            const size_t count = static_cast<uint8_t>(bytes_[at + 5]);
            at += 6;
            if (end - at < 3 * count) return cut(message);
            for (size_t i = 0; i < count; ++i, at += 3) {
                const Field field{static_cast<uint8_t>(bytes_[at]),
                                  static_cast<uint8_t>(bytes_[at + 1]),
                                  static_cast<uint8_t>(bytes_[at + 2]),
                                  definition.size};
                definition.fields.push_back(field);
                definition.size += field.size;
            }
            if ((header & 0x20) != 0) {
                // Developer fields: number, size, developer; only their sizes count.
                if (end - at < 1) return cut(message);
                const size_t developer = static_cast<uint8_t>(bytes_[at++]);
                if (end - at < 3 * developer) return cut(message);
                for (size_t i = 0; i < developer; ++i, at += 3)
                    definition.size += static_cast<uint8_t>(bytes_[at + 1]);
            }
            definitions_[local] = std::move(definition);
            continue;
        }
        const Definition& definition = definitions_[local];
        if (!definition.given) {
            Damage(Byte(message) + ": a message of local type " + std::to_string(local) +
                   " comes before any definition of it; the rest of the data is left out");
            return;
        }
        if (end - at - 1 < definition.size) return cut(message);
        Take(definition, at + 1, time);
        at += 1 + definition.size;
    }
}

void FitReader::Take(const Definition& definition, size_t at, std::optional<uint32_t> time) {
    const Message message(definition, bytes_, at);
    if (const std::optional<uint32_t> stamp = Time(message.Number(kTimestamp))) lastTime_ = time = stamp;
    switch (definition.global) {
        case kFileId:
            fileType_ = message.Number(0);
            break;
        case kLap:
            segmentPending_ = true;
            segmentAfter_ = time;
            break;
        case kEvent: {
            const std::optional<double> event = message.Number(0), type = message.Number(1);
            if (!event || *event != 0 || !type) break;  // not the timer
            if (*type == 1 || *type == 4 || *type == 8 || *type == 9) {
                paused_ = true;
            } else if (*type == 0 && paused_) {
                // Started again: the records after it, not those of the pause, begin a segment.
                paused_ = false;
                segmentPending_ = true;
                segmentAfter_.reset();
            }
            break;
        }
        case kRecord:
            AddRecord(message, at - 1, time);
            break;
        case kCourse:
            courseName_ = message.Text(5);
            break;
        case kCoursePoint: {
            Point point;
            if (!message.Position(2, 3, point)) {
                ++placesWithout_;
                break;
            }
            point.name = message.Text(6);
            // Its type as TCX names it, so a course reads alike from either.
            if (const std::optional<double> type = message.Number(5);
                type && *type >= 0 && *type < std::size(kPointTypes))
                point.icon = kPointTypes[static_cast<size_t>(*type)];
            AddWaypoint(std::move(point), Time(message.Number(1)));
            break;
        }
        case kLocation: {
            Point point;
            if (!message.Position(1, 2, point)) {
                ++placesWithout_;
                break;
            }
            point.name = message.Text(0);
            if (const std::optional<double> metres = message.Altitude(4)) SetElevation(point, *metres);
            AddWaypoint(std::move(point), time);
            break;
        }
        default:
            break;
    }
}

std::optional<int64_t> FitReader::Millis(std::optional<uint32_t> time) {
    if (!time) return std::nullopt;
    if (*time < kFirstDate) {
        ++deviceTimes_;
        return std::nullopt;
    }
    return (int64_t{*time} + kFitEpoch) * 1000;
}

// Whether the point's numbers are within the ranges every reader's are;
// problem says why not. Its longitude is then taken into -180..180.
bool InRange(Point& point, std::string& problem) {
    if (!CheckPointValue(PointValue::Latitude, *point.latitude, problem) ||
        !CheckPointValue(PointValue::Longitude, *point.longitude, problem) ||
        (point.elevationMetres && !CheckPointValue(PointValue::Elevation, *point.elevationMetres, problem)))
        return false;
    point.longitude = NormalizedLongitude(*point.longitude);
    return true;
}

void FitReader::AddRecord(const Message& message, size_t at, std::optional<uint32_t> time) {
    Point point;
    if (!message.Position(0, 1, point)) {
        ++unpositioned_;
        return;
    }
    ++positioned_;
    std::optional<double> metres = message.Altitude(78);
    if (!metres) metres = message.Altitude(2);
    if (metres) SetElevation(point, *metres);
    std::string problem;
    if (!InRange(point, problem)) {
        sets_.Refuse(0, "record at " + Byte(at), problem);
        return;
    }
    point.extras = SensorValues(message);
    point.time = Millis(time);
    if (!firstTime_) firstTime_ = point.time;
    if (!tracking_) {
        sets_.BeginLine(VEZUVED_KIND_TRACK, "activity");  // named when the file is read
        tracking_ = true;
        segmentPending_ = false;
    } else if (segmentPending_ && (!time || !segmentAfter_ || *time > *segmentAfter_)) {
        sets_.BeginSegment();
        segmentPending_ = false;
    }
    sets_.AddLinePoint(std::move(point));
}

SharedExtras FitReader::SensorValues(const Message& message) {
    static const struct {
        uint8_t field;
        PointExtra extra;
        double scale;
    } kSensors[] = {{3, PointExtra::HeartRate, 1},
                    {4, PointExtra::Cadence, 1},
                    {13, PointExtra::AirTemperature, 1},
                    {73, PointExtra::Speed, 1000},
                    {6, PointExtra::Speed, 1000}};
    PointExtras values;
    for (const auto& sensor : kSensors) {
        const std::optional<double> raw = message.Number(sensor.field);
        if (!raw || values.Find(sensor.extra) != nullptr) continue;
        char text[kFixedTextSize];
        values.Set(sensor.extra, std::string(text, WriteShortestFixed(*raw / sensor.scale, text)));
    }
    distances_ += message.Number(5) ? 1 : 0;
    powers_ += message.Number(7) ? 1 : 0;
    return values.values.empty() ? nullptr : std::make_shared<const PointExtras>(std::move(values));
}

void FitReader::AddWaypoint(Point point, std::optional<uint32_t> time) {
    std::string problem;
    if (!InRange(point, problem)) {
        sets_.Refuse(0, sets_.WaypointPlace(++waypoints_, point.name), problem);
        return;
    }
    ++waypoints_;
    point.time = Millis(time);
    sets_.AddWaypoint(std::move(point));
}

void FitReader::Finish() {
    if (damaged_ > kDamageShown)
        sets_.Warn(
            0,
            std::to_string(damaged_ - kDamageShown) + " more warning(s) about damaged bytes are not shown");
    if (positioned_ == 0 && unpositioned_ > 0)
        sets_.Warn(0, "none of its " + std::to_string(unpositioned_) + " record(s) holds a position");
    if (placesWithout_ > 0)
        sets_.Warn(0,
                   std::to_string(placesWithout_) +
                       " course point(s) or location(s) without a position are left out");
    std::string kept;  // nowhere: what has no place among a point's values
    if (distances_ > 0) kept = std::to_string(distances_) + " distance(s)";
    if (powers_ > 0) kept += (kept.empty() ? "" : " and ") + std::to_string(powers_) + " power value(s)";
    if (!kept.empty()) sets_.Warn(0, kept + " of records have no place and are left out");
    if (deviceTimes_ > 0)
        sets_.Warn(0,
                   std::to_string(deviceTimes_) +
                       " point(s) are timed from the device's start, not by a clock: they keep no time");
}

}  // namespace

std::vector<PointSet> ReadFitSets(MapSource& source, bool strict, MapWarnings& warnings) {
    const std::string& what = source.what();
    // Read whole: every length the file gives is checked against its bytes.
    const std::string bytes = source.ReadAll();
    if (!IsHeader(bytes, 0)) FailMap("cannot read '" + what + "': it is no FIT file");
    SetCollector sets(what, strict, warnings);
    FitReader reader(bytes, sets);
    size_t at = 0;
    while (at < bytes.size()) {
        if (!IsHeader(bytes, at)) {
            sets.Warn(0,
                      Byte(at) + ": the " + std::to_string(bytes.size() - at) +
                          " byte(s) that follow are no FIT file; they are left out");
            break;
        }
        at = reader.ReadFile(at);
    }
    reader.Finish();
    return sets.Finish();
}

}  // namespace vezuved::maps

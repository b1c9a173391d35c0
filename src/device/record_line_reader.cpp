#include "device/record_line_reader.h"

#include "base/memory.h"
#include "device/host_files.h"
#include "layouts/layout_table.h"

namespace vezuved {

RecordLineReader::~RecordLineReader() { MemFree(line_); }

bool RecordLineReader::Next(char& byte) {
    if (position_ == length_) {
        position_ = length_ = 0;
        if (!PlatformReadFile(file_, block_, sizeof block_, &length_) || length_ > sizeof block_) {
            failed_ = true;
            length_ = 0;
        }
        if (length_ == 0) return false;
    }
    byte = block_[position_++];
    return true;
}

int32_t RecordLineReader::Read(PointRecord& record,
                               uint64_t& counter,
                               int layoutCode,
                               const LayoutSettings& settings) {
    if (line_ == nullptr) {
        // Taken at the first read: running out of memory is then a failed
        // read (-1), reported as any other.
        line_ = static_cast<char*>(MemAllocate(kLineBufferSize));
        if (line_ == nullptr) return -1;
    }
    int32_t status = kLineRead;
    size_t length = 0;
    bool quoted = false;
    bool tooLong = false;
    uint64_t consumed = 0;
    char byte = 0;
    for (;;) {
        if (!Next(byte)) {
            status = kEndOfFile;
            break;
        }
        if (!quoted && byte == '\r') continue;
        if (!quoted && byte == '\n') break;
        if (byte == '"') quoted = !quoted;
        ++consumed;
        if (length + 1 < kLineBufferSize) {
            line_[length++] = byte;
        } else {
            tooLong = true;  // the rest of the line is read and left out
        }
    }
    line_[length] = '\0';
    ++lineNumber_;
    if (failed_) return -1;  // a failed read is no end of the file
    counter += consumed;
    if (tooLong) return status == kEndOfFile ? kLineTooLongAtEnd : kLineTooLong;
    if (length == 0) return status;
    if (ReadLayoutLine(line_, &record, layoutCode, settings) != 0) return -1;
    return status == kEndOfFile ? kLastLineRead : status;
}

}  // namespace vezuved

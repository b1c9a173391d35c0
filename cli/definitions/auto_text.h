// Reading a text file by its own header row: a definition made from it,
// in a temporary folder that goes with the AutoText, by which the core
// reads the file itself, ISO 8601 times included.
#pragma once

#include <ostream>
#include <string>

#include "definitions/header_row.h"
#include "files/temporary_folder.h"

namespace vezuved_cli {

// The header row of a data file and the definition made from it. Fails
// when the file cannot be read, is empty, or its header places no
// latitude or longitude.
struct DataHeader {
    std::string text;  // the file as read: whole, or from its start through its first line end
    MadeDefinition made;
};
// whole: the whole file in text, else its first line at least.
DataHeader ReadDataHeader(const std::string& dataPath, bool whole);

// The time (and date) values of text (the header row first) that are ISO
// 8601 moments, which a definition's time column cannot read: how many,
// and the first of them with its line.
struct IsoTimes {
    int count = 0;
    int firstLine = 0;
    std::string firstValue;
};
IsoTimes FindIsoTimes(const std::string& text, const MadeDefinition& made);

// A made definition reads its own file: a time, date or elevation column
// that the definition refuses on every line of the file at dataPath (read
// by the core, with isoTimes its times as ISO 8601) is left out of made.
// Returns one warning for each column left out, naming it and its first
// value.
std::vector<std::string> LeaveOutUnreadColumns(const std::string& dataPath, MadeDefinition& made, bool isoTimes);

// Prints what a person should know about a made definition to err: the
// columns left out and the notes.
void PrintMadeWarnings(std::ostream& err, const MadeDefinition& made);

struct AutoText {
    TemporaryFolder folder;
    std::string definition;  // the made definition
};
// Its warnings go to err.
AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath);

}  // namespace vezuved_cli

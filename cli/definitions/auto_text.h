// Reading a text file by its own header row: a definition made from it
// and, when its times are ISO 8601 (which the library's time column does
// not read), a copy of the data with them rewritten in UTC. Both live in a
// temporary folder that goes with the AutoText.
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
    std::string text;  // the whole file
    MadeDefinition made;
};
DataHeader ReadDataHeader(const std::string& dataPath);

// What the rewrite for reading did: time values changed (the first of
// them). Values it cannot read stay as they are, for the text check to
// report with the user's file and line.
struct TimeRewrite {
    std::string text;  // the data with its times rewritten
    int rewritten = 0;
    int firstRewrittenLine = 0;
    std::string firstRewrittenValue;
};
// Rewrites the time (and date) column's ISO 8601 values into the library's
// "HHMMSS DDMMYYYY" in UTC, in the time column (the date column when there
// is none). When anything was rewritten, made's time column becomes that
// column and its date column none. Elevations stay as written: the core
// reads metres as metres.
TimeRewrite RewriteForReading(const std::string& text, MadeDefinition& made);

// A made definition reads its own file: a time, date or elevation column
// that the definition refuses on every line of text (the data after the
// header row) is left out of made. Returns one warning for each column
// left out, naming it and its first value.
std::vector<std::string> LeaveOutUnreadColumns(const std::string& text, MadeDefinition& made);

// Prints what a person should know about a made definition to err: the
// columns left out and the notes.
void PrintMadeWarnings(std::ostream& err, const MadeDefinition& made);

struct AutoText {
    TemporaryFolder folder;
    std::string definition;  // the made definition
    std::string data;        // the file to read: the original, or the copy
};
// Its warnings go to err.
AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath);

}  // namespace vezuved_cli

// The few operating-system questions the tool asks itself, answered for
// POSIX and for Windows in tool_platform.cpp, so the rest of the tool is
// plain C++ on both.
#pragma once

#include <string>

#include <vezuved/vezuved.h>

namespace vezuved_cli {

// Sets VEZUVED_DEVICE in the tool's own environment, where the device
// emulator the library loads looks for its folder.
void SetDeviceRootVariable(const std::string& root);

// Whether standard error is a terminal (progress bars) or a file or pipe
// (plain lines).
bool StandardErrorIsTerminal();

// Whether standard input is open at all: a closed one has no answers to
// read, and reading it would read whatever the process opened next.
bool StandardInputIsOpen();

// Standard input and output carry bytes as they are (a database read from
// or written to them): on Windows they would otherwise turn line ends.
void UseBinaryStandardStreams();

// Ctrl-C (SIGINT) and SIGTERM remove the temporary files being written
// before the tool ends as the signal would end it, so an interrupted write
// leaves the previous file and nothing beside it.
void RemoveTemporariesOnInterrupt();

}  // namespace vezuved_cli

// The few operating-system questions the tool asks itself, answered for
// POSIX and for Windows in tool_platform.cpp, so the rest of the tool is
// plain C++ on both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <vezuved/vezuved.h>

namespace vezuved_cli {

// The command line's arguments in UTF-8, the program's name first. On
// Windows they come from the wide command line (argv holds the ANSI code
// page's reading of it, which has no letter for most names); elsewhere they
// are argv's bytes.
std::vector<std::string> ArgumentsInUtf8(int argc, char** argv);

// Opens a file by its UTF-8 path, as fopen (on Windows through its UTF-16
// name).
std::FILE* OpenToolFile(const std::string& path, const char* mode);

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

// Which file a path names, when it names one: device and inode on POSIX,
// volume serial number and file index on Windows. Two paths name the same
// file when both exist and their identities are equal.
struct FileIdentity {
    bool exists = false;
    uint64_t volume = 0, file = 0;
};
FileIdentity IdentityOf(const std::string& path);

// Whether names in the folder are told apart regardless of case (FAT,
// exFAT, NTFS, an ext4 folder with case folding, Windows, macOS).
bool FolderFoldsCase(const std::string& folder);

// Whether a file name fits the folder's file system (255 bytes on most
// POSIX ones, 255 UTF-16 code units on Windows).
bool NameFits(const std::string& folder, const std::string& name);

// The folder of the running program, without a final separator; empty
// when the system cannot tell.
std::string ProgramFolder();

// The first of the shared libraries that loads, and each one tried before
// it with the system's words for why it did not ("cannot open shared
// object file: No such file or directory").
struct LibrarySearch {
    std::string found;
    std::vector<std::pair<std::string, std::string>> failed;  // path, cause
};
LibrarySearch FindLoadableLibrary(const std::vector<std::string>& paths);

// The device emulator's file name, which the device commands look for
// ("librapi-emu.so"); empty on Windows, where the system loads RAPI.DLL by
// its name.
std::string EmulatorFileName();

// Names the remote API library the device layer loads (VEZUVED_RAPI_LIBRARY
// in the tool's own environment).
void SetRemoteApiLibraryVariable(const std::string& path);

// Windows' words for the error code a failed library load gave ("The
// specified module could not be found."); empty on POSIX, where the code
// carries no cause (FindLoadableLibrary has dlerror's words).
std::string LoadErrorWords(uint32_t code);

// Runs program in place of the tool, with the same process id, standard
// streams and environment, and arguments after the program's name; returns
// the system's words for why it could not (always, on Windows).
std::string RunInstead(const std::string& program, const std::vector<std::string>& arguments);

// Asks the desktop to open address in the default browser (xdg-open, or
// the shell on Windows); false when nothing could be started.
bool OpenInBrowser(const std::string& address);

// This process's number, and whether the process of a number is still
// running (false only when the system says none has it).
int64_t ThisProcessId();
bool ProcessIsRunning(int64_t id);

// Ctrl-C (SIGINT), SIGTERM and, on POSIX, SIGHUP and SIGQUIT remove the
// temporary files being written before the tool ends as the signal would
// end it, so an interrupted write leaves the previous file and nothing
// beside it.
void RemoveTemporariesOnInterrupt();

}  // namespace vezuved_cli

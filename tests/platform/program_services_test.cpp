// The system services a face asks the library for (vezuved_system.h),
// through the public header as the tool calls them.

#include <cerrno>
#include <filesystem>
#include <fstream>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <vezuved/vezuved_system.h>

#include "support/test_support.h"

namespace {

int32_t VEZUVED_CORE_CALL Append(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

int32_t VEZUVED_CORE_CALL Refuse(void*, const char*, int64_t) { return 1; }

// "Café Пешком.txt": a name only UTF-8 (or UTF-16) spells.
const std::string kName = "Caf\xC3\xA9 \xD0\x9F\xD0\xB5\xD1\x88\xD0\xBA\xD0\xBE\xD0\xBC.txt";

TEST(ProgramServices, ReadsAFileWholeByItsUtf8NameOrSaysWhyNot) {
    TempFolder folder;
    std::string bytes(3 * 64 * 1024 + 1, '\0');  // three whole reads, then a read of one byte
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    // Made by its UTF-8 name as every other program of the system spells it.
    const std::string path = folder.file(kName);
    std::ofstream(std::filesystem::u8path(path), std::ios::binary) << bytes;

    std::string read;
    EXPECT_EQ(vezuved_system_read_file(path.c_str(), Append, &read), 0);
    EXPECT_TRUE(read == bytes) << read.size() << " bytes read of " << bytes.size();

    std::string none;
    EXPECT_EQ(vezuved_system_read_file(folder.file("missing.gpx").c_str(), Append, &none), ENOENT);
    EXPECT_EQ(vezuved_system_read_file(path.c_str(), Refuse, nullptr), -1);
    EXPECT_EQ(vezuved_system_read_file(nullptr, Append, &none), EINVAL);
#if !defined(_WIN32)
    EXPECT_EQ(vezuved_system_read_file(folder.path().c_str(), Append, &none), EISDIR);  // opened, never read
#endif
    EXPECT_EQ(none, "");
}

TEST(ProgramServices, TellsTwoSpellingsOfOneFileFromAnotherFile) {
    TempFolder folder;
    const std::string first = folder.put("a.gpx", "a");
    const std::string second = folder.put("b.gpx", "a");
    uint64_t volume[3] = {}, file[3] = {};
    ASSERT_EQ(vezuved_system_file_identity(first.c_str(), &volume[0], &file[0]), 1);
    ASSERT_EQ(vezuved_system_file_identity((folder.path() + "/./a.gpx").c_str(), &volume[1], &file[1]), 1);
    ASSERT_EQ(vezuved_system_file_identity(second.c_str(), &volume[2], &file[2]), 1);
    EXPECT_EQ(volume[0], volume[1]);
    EXPECT_EQ(file[0], file[1]);
    EXPECT_NE(file[0], file[2]);
    EXPECT_EQ(vezuved_system_file_identity(folder.file("c.gpx").c_str(), &volume[0], &file[0]), 0);
}

TEST(ProgramServices, NamesFitTheFolderTheyGoIn) {
    TempFolder folder;
    EXPECT_EQ(vezuved_system_name_fits(folder.path().c_str(), std::string(255, 'n').c_str()), 1);
    EXPECT_EQ(vezuved_system_name_fits(folder.path().c_str(), std::string(256, 'n').c_str()), 0);
    EXPECT_EQ(vezuved_system_name_fits(folder.path().c_str(), nullptr), 0);
}

TEST(ProgramServices, ArgumentsComeBackAsTextsEndedByANullOne) {
    char program[] = "vezuved", first[] = "convert", second[] = "a b.gpx";
    char* argv[] = {program, first, second, nullptr};
    char** arguments = vezuved_system_arguments(3, argv);
    ASSERT_NE(arguments, nullptr);
#if !defined(_WIN32)  // Windows reads the test program's own command line
    EXPECT_STREQ(arguments[1], "convert");
    EXPECT_STREQ(arguments[2], "a b.gpx");
#endif
    EXPECT_EQ(arguments[3], nullptr);
    vezuved_system_free_arguments(arguments);
    EXPECT_EQ(vezuved_system_arguments(-1, argv), nullptr);
    arguments = vezuved_system_arguments(0, argv);  // none: the ending one alone
    ASSERT_NE(arguments, nullptr);
    EXPECT_EQ(arguments[0], nullptr);
    vezuved_system_free_arguments(arguments);
}

TEST(ProgramServices, ProcessesAndLibrariesAsTheSystemKnowsThem) {
    // Asked after one that is no process, whose failure the system still holds.
    EXPECT_EQ(vezuved_system_process_running(0x7FFFFFF0), 0);
    EXPECT_EQ(vezuved_system_process_running(vezuved_system_process_id()), 1);
    EXPECT_EQ(vezuved_system_process_running(0), 0);
    EXPECT_EQ(vezuved_system_process_running(-5), 0);

    TempFolder folder;
    std::string cause;
    EXPECT_EQ(vezuved_system_library_loads(folder.file("none.so").c_str(), Append, &cause), 0);
    EXPECT_NE(cause, "");
    EXPECT_EQ(cause.find(folder.path()), std::string::npos) << "the path is not said twice: " << cause;

    std::string program;
    ASSERT_EQ(vezuved_system_program_folder(Append, &program), 0);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(program))) << program;
}

#if !defined(_WIN32)
// The program run instead writes after what this one had written and not
// yet flushed; one that cannot run says why, and this one goes on.
TEST(ProgramServices, RunsAProgramInsteadAfterWhatWasWritten) {
    TempFolder folder;
    const std::string written = folder.file("out.txt");
    const char* words[] = {"after", "all", nullptr};
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int file = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (file < 0 || ::dup2(file, 1) < 0) ::_exit(2);
        std::printf("before ");  // no line end: held in the stream's buffer
        vezuved_system_run_instead("/bin/echo", words, Refuse, nullptr);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFileText(written), "before after all\n");

    std::string cause;
    vezuved_system_run_instead(folder.file("none").c_str(), words, Append, &cause);
    EXPECT_EQ(cause, "No such file or directory");
}

// The desktop's opener is handed the address, and the call does not wait
// for it to end: this opener writes only once the call has returned. The
// address here is a path, so the opener can write beside it.
TEST(ProgramServices, HandsAnAddressToTheDesktopsOpener) {
    TempFolder folder;
    const std::string address = folder.file("page"), seen = address + ".seen";
    const std::string opener =
        folder.put("xdg-open",
                   "#!/bin/sh\nfor i in $(seq 100); do [ -f \"$1.go\" ] && break; sleep 0.05; done\n"
                   "[ -f \"$1.go\" ] && echo \"$1\" > \"$1.seen\"\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    SetVariable("PATH", (folder.path() + ":" + path).c_str());
    EXPECT_EQ(vezuved_system_open_in_browser(address.c_str()), 1);
    SetVariable("PATH", path.c_str());
    folder.put("page.go", "");
    for (int wait = 0; wait < 500 && ReadFileText(seen) != address + "\n"; ++wait) ::usleep(10000);
    EXPECT_EQ(ReadFileText(seen), address + "\n");
    EXPECT_EQ(vezuved_system_open_in_browser(nullptr), 0);
}
#endif

}  // namespace

/*
 * VEZUVed system: the few operating-system services the library's faces
 * share (the command-line tool, its page server, a program like them),
 * answered for POSIX and for Windows inside the library, so a face is plain
 * C or C++ on both. Like the core, every path and text is UTF-8 (on Windows
 * the system is handed its UTF-16 spelling), every integer has a fixed
 * width, and nothing is printed. A text answered is handed to a
 * vezuved_write_function in one call.
 */
#ifndef VEZUVED_VEZUVED_SYSTEM_H
#define VEZUVED_VEZUVED_SYSTEM_H

#include <vezuved/vezuved_core.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The command line's arguments in UTF-8, the program's name first: on
 * Windows taken from the wide command line (argv holds the ANSI code page's
 * reading of it, which has no letter for most names), elsewhere argv's own
 * bytes. argc entries and a null one; null when memory ran out. Freed with
 * vezuved_system_free_arguments. */
VEZUVED_CORE_API char** VEZUVED_CORE_CALL vezuved_system_arguments(int32_t argc, char** argv);
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_free_arguments(char** arguments);

/* Reads the file at path whole, in large steps to its end (a pipe has no
 * size to tell), handing each step to receive. 0 when every byte was read;
 * otherwise the C library's error number (errno) of the failed open or
 * read, or -1 when receive stopped it. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_read_file(const char* path,
                                                                    vezuved_write_function receive,
                                                                    void* context);

/* Sets a variable of this process's environment, which the libraries it
 * loads later read (VEZUVED_DEVICE, VEZUVED_RAPI_LIBRARY). 0, or -1. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_set_variable(const char* name, const char* value);

/* 1 when standard error is a terminal (a bar redrawn in place), 0 for a
 * file or pipe (plain lines). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_error_is_terminal(void);
/* 1 when standard input is open at all: a closed one has no answers, and
 * reading it would read whatever the process opened next. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_input_is_open(void);
/* Standard input and output carry bytes as they are (a database read from
 * or written to them); on Windows they would otherwise turn line ends. */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_binary_streams(void);

/* Which file a path names: device and inode on POSIX, volume serial number
 * and file index on Windows. 1 when it names one (volume and file set), 0
 * when it names none. Two paths name the same file when both are 1 and
 * both numbers are equal. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_file_identity(const char* path,
                                                                        uint64_t* volume,
                                                                        uint64_t* file);
/* 1 when names in the folder are told apart regardless of case (FAT, exFAT,
 * NTFS, SMB, an ext4 or f2fs folder with case folding, all of Windows). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_folder_folds_case(const char* folder);
/* 1 when a file name fits the folder's file system (255 bytes on most
 * POSIX ones, 255 UTF-16 units on Windows). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_name_fits(const char* folder, const char* name);

/* The folder of the running program, without a final separator, handed to
 * receive; 0, or -1 when the system cannot tell (nothing is handed). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_program_folder(vezuved_write_function receive,
                                                                         void* context);

/* The file name of the device emulator the device calls load in place of
 * the handheld's remote API ("librapi-emu.so"); "" on Windows, where the
 * system finds RAPI.DLL by its name. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_system_emulator_name(void);
/* 1 when the shared library at path loads (it is unloaded again); 0 when
 * not, the system's words for why handed to cause ("cannot open shared
 * object file: No such file or directory"). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_library_loads(const char* path,
                                                                        vezuved_write_function cause,
                                                                        void* context);

/* Runs program in place of this one, with the same process id, standard
 * streams and environment; arguments are the words after the program's
 * name, ending with a null one. Returns only when it could not, the
 * system's words handed to cause (always on Windows). */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_run_instead(const char* program,
                                                                   const char* const* arguments,
                                                                   vezuved_write_function cause,
                                                                   void* context);
/* Asks the desktop to open address in the default browser (xdg-open, or the
 * shell on Windows); 1 when it started, 0 when nothing could. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_open_in_browser(const char* address);

/* This process's number; and 1 when the process of a number may still be
 * running, 0 only when the system says none has it. */
VEZUVED_CORE_API int64_t VEZUVED_CORE_CALL vezuved_system_process_id(void);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_process_running(int64_t id);

/* Has Ctrl-C (SIGINT), SIGTERM and, on POSIX, SIGHUP and SIGQUIT remove the
 * files being written (vezuved_remove_partial_files) before the program
 * ends as the signal would end it: an interrupted write leaves the previous
 * file and nothing beside it. A signal the program's parent set to be
 * ignored stays ignored. The library takes no signal unless asked here. */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_clean_up_on_signals(void);

#ifdef __cplusplus
}
#endif

#endif /* VEZUVED_VEZUVED_SYSTEM_H */

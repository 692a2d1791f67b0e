// The system's version, folders, the running program, error texts, the named mutex,
// and time. Folder queries give an empty text where the system call returns 0.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/WindowsErrors.h"

namespace lorvel::platform {

// A moment of the local clock, as the system's calendar gives it.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;  // 1: the 95 family, 2: the NT family
};

// A named mutex that marks a running instance while it exists; it is never owned
// (only its name matters), and its handle is closed when it is destroyed.
class NamedMutex {
public:
    virtual ~NamedMutex() = default;
};

class System {
public:
    virtual ~System() = default;

    virtual std::optional<OsVersion> GetVersion() = 0;
    virtual std::string GetWindowsFolder() = 0;
    virtual std::string GetSystemFolder() = 0;
    virtual std::string GetTempFolder() = 0;
    // What a program on 64-bit Windows sees beside its own system and Program Files
    // folders: the 32-bit system folder (SysWOW64), and the Program Files folder of
    // the other kind of program (the 64-bit one for a 32-bit program, the "(x86)" one
    // for a 64-bit program). Empty on 32-bit Windows.
    virtual std::string GetSystemWow64Folder() = 0;
    virtual std::string GetOtherProgramFilesFolder() = 0;

    virtual std::string GetProgramPath() = 0;
    virtual std::string GetProgramCommandLine() = 0;
    // The bytes of a named section of the running program as the loader mapped them
    // at start, which no later change to the program's file can reach; nullopt when
    // the program has no such section.
    virtual std::optional<std::string> GetProgramSection(const std::string& name) = 0;

    // StringFileInfo\041103a4\FileVersion of a file's version resource; nullopt when
    // the file has no version resource at all, "" when it lacks that string.
    virtual std::optional<std::string> GetFileVersionString(const std::string& path) = 0;

    // The system's message text for an error code, as FormatMessage gives it
    // (empty when there is none).
    virtual std::string GetErrorText(ErrorCode code) = 0;

    // Whether the active ANSI code page has double-byte characters.
    virtual bool IsDoubleByteSystem() = 0;

    // The system's own locale-aware mapping (LCMapStringA, system default locale);
    // the program maps with its portable copy, and this keeps the copy honest.
    virtual std::string MapTextBySystem(const std::string& text, std::uint32_t flags) = 0;

    // An existing mutex of that name, opened with full access; null when none exists.
    virtual std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name) = 0;
    virtual std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name) = 0;

    // A file time as a local MS-DOS date and time: the date in the high 16 bits, the
    // time (two-second steps) in the low 16 bits; 0 for a time DOS cannot hold.
    virtual std::uint32_t ToLocalDosDateTime(std::uint64_t fileTime) = 0;

    virtual void Sleep(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t GetTickCount() = 0;
    // A steady clock in microseconds from an arbitrary start, finer than the tick
    // count, which moves in steps of about 16 ms on Windows.
    virtual std::uint64_t GetMicroseconds() = 0;

    // A number nobody can foresee, from the system's own source of randomness: for
    // names another account must not be able to take first.
    virtual std::uint64_t GetUnforeseeableNumber() = 0;

    // Now, on the local clock: the date of an entry in the list of installed programs
    // and the time of each line of a log.
    virtual LocalTime GetLocalTime() = 0;

    // Shift-JIS text as UTF-8 and back, for files that other programs read or write
    // in UTF-8 (a log, an answers file); nullopt where a byte sequence has no
    // counterpart.
    virtual std::optional<std::string> ShiftJisToUtf8(const std::string& text) = 0;
    virtual std::optional<std::string> Utf8ToShiftJis(const std::string& text) = 0;
};

}  // namespace lorvel::platform

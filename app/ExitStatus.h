#pragma once

namespace App {

// The exit statuses of the program besides 0 (converted) and the status of a failed
// objdump run, which passes through (objdump itself ends with 1). Those above 125 have
// the meaning a shell gives them.
inline constexpr int kOutputNotCreated = 2;  // the dump file could not be created or written
inline constexpr int kDumpNotRead = 3;       // the dump is missing, a folder, or unreadable
inline constexpr int kOutputNotWritten = 4;  // a map, database or log could not be written
inline constexpr int kOutputTooLarge = 5;    // objdump was stopped: its dump grew past bound
inline constexpr int kNoSectionTable = 6;    // --characteristic-section without a section table
inline constexpr int kUpdateIncomplete = 7;  // --strict: an object of the A2L was not found
inline constexpr int kA2lNotRead = 8;        // the A2L file to update cannot be read
inline constexpr int kImageNotRead = 9;      // --direct: the ELF file's debug information
                                             // is not what the direct reader reads
inline constexpr int kUnknownOption = 64;    // an option the program does not know
inline constexpr int kToolNotExecutable = 126;
inline constexpr int kToolNotFound = 127;
inline constexpr int kKilledBySignal = 128;  // plus the signal number

}  // namespace App

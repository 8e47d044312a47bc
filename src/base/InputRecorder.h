// The inputs the library reads, recorded by its own readers as they read
// them: registry keys and values, INI keys, files and environment variables,
// each with what was stored and how the reader took it. A doctor turns the
// recorder on and judges what the core read; the library never turns it on,
// and then each reader pays one test of a flag.
#pragma once

#include "base/ZvString.h"

#include <windows.h>

#include <vector>

namespace userdata {

struct RecordedInput {
    enum class Place { Key, Value, IniKey, File, Variable };

    Place place = Place::Value;
    ZvString where;                  // the key ("HKLM\..."), the INI file or the file; "" for a variable
    ZvString item;                   // the value name ("" for the default value), the INI key or the variable
    DWORD type = REG_NONE;           // as the registry stores the value
    ZvString stored;                 // what is stored, as text (a number in decimal)
    ZvString taken;                  // what the reader made of it
    bool usable = true;              // the reader could take it
    LSTATUS status = ERROR_SUCCESS;  // ERROR_SUCCESS when it was there to read
    ULONGLONG size = 0;              // a file's size in bytes
    bool folder = false;             // the file is a folder
    ZvString reader;                 // what was being asked when it was read (SetInputReader)
};

// Turns recording on for the rest of the process; nothing is recorded before.
void StartRecordingInputs();
[[nodiscard]] bool RecordingInputs() noexcept;

// Names what the reads that follow answer (an export's name), so that an
// answer that fails can be traced to the input whose reading made it fail.
void SetInputReader(const wchar_t* reader);

// What was recorded, in the order it was read.
[[nodiscard]] const std::vector<RecordedInput>& RecordedInputs();

void RecordInput(RecordedInput input);

// A file or folder the library looks for at `path`, and what lies there.
void RecordFile(const wchar_t* path);

// An environment variable read, as it stood.
void RecordVariable(const wchar_t* name);

// The name of an opened registry key by its handle, for the values read
// through it; a handle the system hands out again is named again.
void NameRecordedKey(HKEY key, const ZvString& name);
[[nodiscard]] ZvString RecordedKeyName(HKEY key);

}  // namespace userdata

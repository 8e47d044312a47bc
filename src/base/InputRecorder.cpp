#include "base/InputRecorder.h"

#include "base/ProcessWide.h"
#include "base/RegistryAccess.h"

#include <algorithm>
#include <utility>

namespace userdata {
namespace {

struct InputLog {
    std::vector<RecordedInput> inputs;
    std::vector<std::pair<HKEY, ZvString>> keyNames;
    ZvString reader;
};

bool recording = false;  // set once, by a tool's main thread, before it reads anything

InputLog& Log()
{
    return ZvProcessWide<InputLog>::Get();
}

}  // namespace

void StartRecordingInputs()
{
    recording = true;
}

bool RecordingInputs() noexcept
{
    return recording;
}

void SetInputReader(const wchar_t* reader)
{
    Log().reader = ZvString(reader);
}

const std::vector<RecordedInput>& RecordedInputs()
{
    return Log().inputs;
}

void RecordInput(RecordedInput input)
{
    if (!recording) {
        return;
    }
    input.reader = Log().reader;
    Log().inputs.push_back(std::move(input));
}

void RecordFile(const wchar_t* path)
{
    if (!recording) {
        return;
    }
    RecordedInput input;
    input.place = RecordedInput::Place::File;
    input.where = ZvString(path);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        input.status = static_cast<LSTATUS>(GetLastError());
    } else {
        input.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        input.size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    RecordInput(std::move(input));
}

void RecordVariable(const wchar_t* name)
{
    if (!recording) {
        return;
    }
    RecordedInput input;
    input.place = RecordedInput::Place::Variable;
    input.item = ZvString(name);
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        input.status = ERROR_ENVVAR_NOT_FOUND;
    } else {
        wchar_t* const buffer = input.stored.GetBufferSetLength(size - 1);
        GetEnvironmentVariableW(name, buffer, size);
        input.stored.ReleaseBuffer();
        input.taken = input.stored;
    }
    RecordInput(std::move(input));
}

void NameRecordedKey(HKEY key, const ZvString& name)
{
    if (!recording) {
        return;
    }
    auto& names = Log().keyNames;
    names.erase(std::remove_if(names.begin(), names.end(), [key](const auto& entry) { return entry.first == key; }),
                names.end());
    names.emplace_back(key, name);
}

ZvString RecordedKeyName(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
        const ZvString name = RegistryKeyName(key, ZvString());
        return ZvString(name.c_str(), name.length() - 1);  // without the backslash for a path
    }
    for (const auto& [handle, name] : Log().keyNames) {
        if (handle == key) {
            return name;
        }
    }
    return ZvString(L"a key lent by the host");
}

}  // namespace userdata

// The registry string export. It settles nothing: the table of path variables
// is filled by InstallUserData, and until then nothing is folded.
#include "UserData.h"
#include "regwrite/PathFolding.h"
#include "regwrite/RegistryStringWriter.h"

using namespace userdata;

unsigned int zvudRegSetString(HKEY key, const wchar_t* valueName, const wchar_t* data)
{
    return static_cast<unsigned int>(WriteFoldedString(key, valueName, data, ProcessPathVariableTable()));
}

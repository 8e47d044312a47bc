#include "queries/IdentityQueries.h"

#include <windows.h>

namespace userdata {

const wchar_t* LanguageOrRaise(const ZvString& language)
{
    if (language.empty()) {
        RaiseException(static_cast<DWORD>(STATUS_INVALID_HANDLE), 0, 0, nullptr);
    }
    return language.c_str();
}

}  // namespace userdata

// A host program of the suite: starts as every program of the suite does and
// says who it is and where its data lives. Run in the sample installation
// (examples/sample, its registry values imported), it prints ZOVA, en-US and
// the sample's folders.
#include <UserData.h>

#include <cstdio>

namespace {

constexpr unsigned kCapacity = 2048;

void PrintAnswer(const char* label, unsigned length, const wchar_t* text)
{
    std::printf("%s: %ls\n", label, length != 0 ? text : L"(not available)");
}

}  // namespace

int main()
{
    const bool startedUp = zvudInitProductParams(nullptr, nullptr) != 0;
    std::printf("start-up: %s\n", startedUp ? "succeeded" : "failed");

    wchar_t text[kCapacity] = {};
    PrintAnswer("product", zvudGetCurrentProduct(text, kCapacity), text);
    PrintAnswer("language", zvudGetCurrentLanguage(text, kCapacity), text);
    PrintAnswer("program name", GetProgramName(text, kCapacity), text);
    PrintAnswer("identity file", GetCurrentProductIdentityIniPath(text, kCapacity), text);
    PrintAnswer("root folder", GetProductRootFolder(text, kCapacity), text);
    PrintAnswer("local root folder", zvudGetSpecialFolder(ZvUdSpecialFolder::LocalRootFolder, text, kCapacity), text);
    PrintAnswer("user data cache folder",
                zvudGetSpecialFolder(ZvUdSpecialFolder::UserDataCacheFolderLang, text, kCapacity), text);
    if (!startedUp) {
        std::printf(
            "The library answers from inside an installation: identityver.ini beside UserData.dll,\n"
            "the identity file below it, the registry values imported (README.md, \"Try it\").\n");
        return 1;
    }
    return 0;
}

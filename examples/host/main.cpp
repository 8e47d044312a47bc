// A host program of the suite: starts as every program of the suite does and
// says who it is and where its data lives.
#include <UserData.h>

#include <cstdio>

namespace {

void PrintAnswer(const char* label, unsigned length, const wchar_t* text)
{
    std::printf("%s: %ls\n", label, length != 0 ? text : L"(not available)");
}

}  // namespace

int main()
{
    const bool startedUp = zvudInitProductParams(nullptr, nullptr) != 0;
    std::printf("start-up: %s\n", startedUp ? "succeeded" : "failed");

    wchar_t text[2048] = {};
    PrintAnswer("product", zvudGetCurrentProduct(text, 2048), text);
    PrintAnswer("language", zvudGetCurrentLanguage(text, 2048), text);
    PrintAnswer("identity file", GetCurrentProductIdentityIniPath(text, 2048), text);
    const unsigned rootFolder = GetProductRootFolder(text, 2048);
    PrintAnswer("root folder", rootFolder, text);
    const unsigned localFolder = zvudGetSpecialFolder(ZvUdSpecialFolder::LocalRootFolder, text, 2048);
    PrintAnswer("local root folder", localFolder, text);

    return rootFolder != 0 && IsUnicodeBuild() == 1 ? 0 : 1;
}

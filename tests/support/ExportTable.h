// The library's 30 exports: the member that holds each one in UserDataExports
// (typed from the public header's declaration) and the exact exported name.
#pragma once

#include "UserData.h"

// X(function as declared in UserData.h, exported name)
#define USERDATA_EXPORT_TABLE(X)                                                                      \
    X(CheckCOMServerRelativePaths, "?CheckCOMServerRelativePaths@@YA_NXZ")                            \
    X(GetContextFileName, "?GetContextFileName@@YAIPEA_WK@Z")                                         \
    X(GetHelpFileName, "?GetHelpFileName@@YAIPEA_WK@Z")                                               \
    X(GetProductName, "?GetProductName@@YAIPEA_WK@Z")                                                 \
    X(GetProductRootFolder, "?GetProductRootFolder@@YAIPEA_WK@Z")                                     \
    X(GetProductSpecificFilePath, "?GetProductSpecificFilePath@@YAIPEB_WPEA_WK@Z")                    \
    X(GetProgramName, "?GetProgramName@@YAIPEA_WK@Z")                                                 \
    X(GetVerticalProductName, "?GetVerticalProductName@@YAIPEA_WK@Z")                                 \
    X(InstallUserData, "?InstallUserData@@YAIXZ")                                                     \
    X(IsUnicodeBuild, "?IsUnicodeBuild@@YAHXZ")                                                       \
    X(ProcessAutoMigrate, "?ProcessAutoMigrate@@YA_NXZ")                                              \
    X(SetWorkingDirectory, "?SetWorkingDirectory@@YAXXZ")                                             \
    X(zvudGetCurrentLanguage, "?zvudGetCurrentLanguage@@YAIPEA_WK@Z")                                 \
    X(zvudGetCurrentProduct, "?zvudGetCurrentProduct@@YAIPEA_WK@Z")                                   \
    X(zvudGetProductUALanguage, "?zvudGetProductUALanguage@@YAPEB_WXZ")                               \
    X(zvudGetProductXFoldPath, "?zvudGetProductXFoldPath@@YAIPEA_W_KW4Folders@ZvUdSpecialFolder@@@Z") \
    X(zvudGetSpecialFolder, "?zvudGetSpecialFolder@@YAIW4Folders@ZvUdSpecialFolder@@PEA_W_K@Z")       \
    X(zvudGetXRootFoldPath, "?zvudGetXRootFoldPath@@YAIPEB_WPEA_W_K@Z")                               \
    X(zvudLoadMUIString, "?zvudLoadMUIString@@YAIPEB_WPEA_W_K@Z")                                     \
    X(zvudRegSetString, "?zvudRegSetString@@YAIPEAUHKEY__@@PEB_W1@Z")                                 \
    X(AppendEnvironmentPath, "AppendEnvironmentPath")                                                 \
    X(GetCurrentProductIdentityIniPath, "GetCurrentProductIdentityIniPath")                           \
    X(GetZOVAUserDataCacheLangPath, "GetZOVAUserDataCacheLangPath")                                   \
    X(zvudGetGlobalRegistryRootKey, "zvudGetGlobalRegistryRootKey")                                   \
    X(zvudGetMachineProductRegistryRootKey, "zvudGetMachineProductRegistryRootKey")                   \
    X(zvudGetProductUILanguage, "zvudGetProductUILanguage")                                           \
    X(zvudGetUserProductRegistryRootKey, "zvudGetUserProductRegistryRootKey")                         \
    X(zvudGetVerticalEnvPath, "zvudGetVerticalEnvPath")                                               \
    X(zvudInitProductParams, "zvudInitProductParams")                                                 \
    X(zvudSetUserProductRegistryRootKey, "zvudSetUserProductRegistryRootKey")

namespace userdata::testing {

// Pointers to the exports of one loaded copy of the library; null for a name
// the copy does not export.
struct UserDataExports {
#define USERDATA_EXPORT_MEMBER(function, exportedName) decltype(&::function) function = nullptr;
    USERDATA_EXPORT_TABLE(USERDATA_EXPORT_MEMBER)
#undef USERDATA_EXPORT_MEMBER
};

}  // namespace userdata::testing

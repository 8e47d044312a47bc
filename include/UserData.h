// UserData.h - the exports of UserData.dll.
//
// UserData tells the programs of the suite who they are (current product and
// UI language, registry roots, identity file) and where their data lives
// (per-user folders, help files, localized strings), and does their start-up
// housekeeping. One process-wide configuration is settled by the first call
// that needs it; call zvudInitProductParams first to ask for a product or
// language of your own.
//
// This header includes nothing but the compiler's <sal.h> (the annotation
// macros, where there is one), so a host may include it first, before
// windows.h. It is C++ only: most exports carry the decorated name that the
// MSVC compiler gives their signature, and the header gives that same name to
// mingw-w64 (GCC) hosts as well, so both link against the one import library.
//
// Result conventions of the buffer exports (each declaration says which):
//  - length result: the text is copied with its terminator only when its
//    length is less than the capacity; the result is its length without the
//    terminator. Otherwise nothing is written and the result is 0. An empty
//    text also gives 0 (and an empty string when the capacity is at least 1).
//  - capacity result: on success the length plus one for the terminator. A
//    null buffer or a capacity of 0 asks only for that number. 0 is failure,
//    a buffer that is too small included, and then nothing is written.
//  - flag result: 1 for success, 0 for failure.
// Capacities are counts of wide characters unless a declaration says bytes.
//
// Registry values read with their environment references expanded (help
// files, product-specific paths, the repair's local root folder) give what
// RegGetValueW gives, also when the stored text is longer than the read's
// buffer but its expansion fits; as these reads use no heap, stored text of
// 4096 characters or more and expansions of 2048 or more read as missing.
//
// Threads: the queries (identity, folders, help and strings) may be called
// from any thread at any time; the first call that needs the configuration
// settles it once while concurrent first callers wait. AppendEnvironmentPath
// and start-up's PATH step serialise their read-modify-write of PATH, and
// readers of the user root key override always see a whole value. The host
// itself must keep its own PATH writes from racing with AppendEnvironmentPath
// (the library cannot lock them out) and call the housekeeping exports
// (SetWorkingDirectory, InstallUserData, CheckCOMServerRelativePaths,
// ProcessAutoMigrate) from one thread, one at a time, before other threads
// call zvudRegSetString.
//
// Nothing is logged. These structured exceptions can leave an export, and
// end a host that does not handle them:
//  - the string failure, from any export: running out of memory (or an
//    internal string failure) raises a non-continuable exception whose code
//    is the HRESULT (0x8007000E out of memory, 0x80070057 invalid length,
//    0x80004005 failed copy);
//  - 0xC0000008 (continuable) from zvudGetProductUILanguage and
//    zvudGetProductUALanguage when no language is set, also out of
//    zvudGetSpecialFolder for HelpFolderLang, which asks it;
//  - 0xC06D007E, or 0xC06D007F, from InstallUserData and
//    CheckCOMServerRelativePaths: they bind msi.dll only when they ask the
//    Windows Installer for a reinstall, and the loader raises these when it
//    cannot load msi.dll (7E) or msi.dll lacks a function (7F).

#ifndef USERDATA_USERDATA_H
#define USERDATA_USERDATA_H

// The exports' decorated names are made from wchar_t as a type of its own. A
// host whose wchar_t is unsigned short would ask for other names and fail to
// link without saying why.
#if defined(_MSC_VER) && !defined(_NATIVE_WCHAR_T_DEFINED)
#error "UserData.h: wchar_t must be a built-in type, as the exports' names are made from it: compile without /Zc:wchar_t- (the default is /Zc:wchar_t)"
#endif

// The version of this header and of the UserData.dll that comes with it
// (CHANGELOG.md says what changed). zvud --version, the release archive's name
// and the DLL's version resource give the same numbers (the resource's
// FILEVERSION with a fourth, always 0: 1.1.0.0).
#define USERDATA_VERSION_MAJOR 1
#define USERDATA_VERSION_MINOR 1
#define USERDATA_VERSION_PATCH 0

// ZVUD_API(result) begins every export's declaration. MSVC-compatible hosts
// get the calling convention written out, so that a host built with another
// default (/Gv, /Gr) still asks for the exported names, and dllimport, so that
// calls go through the import table instead of a linker thunk. mingw-w64 (GCC)
// hosts have one convention and take the thunks of their import library.
// ZVUD_DECORATED_EXPORT declares an export that bears the MSVC decorated name
// of its signature. MSVC (and clang in MSVC mode) decorates the declaration
// itself. GCC is given the name as an assembler label; as GCC cannot take the
// address of such a symbol in a host (it emits a broken .refptr stub),
// mingw-w64 hosts get an inline function of the plain name that calls it.
// (GCC's assembler needs the label quoted; clang's takes it as it stands.)
#if defined(__GNUC__) && !defined(_MSC_VER) && defined(__clang__)
#define ZVUD_LABEL(decorated) __asm__(decorated)
#elif defined(__GNUC__) && !defined(_MSC_VER)
#define ZVUD_LABEL(decorated) __asm__("\"" decorated "\"")
#endif
#if defined(__GNUC__) && !defined(_MSC_VER) && defined(ZVUD_BUILDING_USERDATA)
#define ZVUD_API(result) result
#define ZVUD_DECORATED_EXPORT(result, name, parameters, arguments, decorated) \
    result name parameters ZVUD_LABEL(decorated);
#elif defined(__GNUC__) && !defined(_MSC_VER)
#define ZVUD_API(result) result
#define ZVUD_DECORATED_EXPORT(result, name, parameters, arguments, decorated) \
    result zvudImport_##name parameters ZVUD_LABEL(decorated);             \
    inline result name parameters { return zvudImport_##name arguments; }
#else
#if defined(ZVUD_BUILDING_USERDATA)
#define ZVUD_API(result) result __cdecl
#else
#define ZVUD_API(result) __declspec(dllimport) result __cdecl
#endif
#define ZVUD_DECORATED_EXPORT(result, name, parameters, arguments, decorated) ZVUD_API(result) name parameters;
#endif

// SAL annotations on the buffer parameters say how many characters (or
// bytes) an export may write, which MSVC's /analyze checks callers against.
// They come from the compiler's <sal.h>; without one they mean nothing here
// and are undefined again at the end.
#if defined(__has_include)
#if __has_include(<sal.h>)
#include <sal.h>
#endif
#endif
#ifndef _Out_writes_opt_
#define ZVUD_NO_SAL
#define _In_
#define _In_opt_
#define _In_opt_z_
#define _Out_writes_(size)
#define _Out_writes_opt_(size)
#define _Out_writes_bytes_opt_(size)
#endif

struct HKEY__;

namespace ZvUdSpecialFolder {
// The folders that zvudGetSpecialFolder gives by number (int-sized, 0 to 16).
enum Folders : int {
    InstallFolder = 0,             // the library's folder, with a trailing backslash
    InstallFolderLang = 1,         // install folder + language
    HelpFolder = 2,                // folder of the help file, with a trailing backslash
    HelpFolderLang = 3,            // help folder + language
    SampleFolder = 4,              // install folder + "Sample"
    SampleFolderLang = 5,          // install folder + "Sample\" + language
    RoamableRootFolder = 6,        // per-user registry value; falls back to the install folder
    RoamableRootFolderLang = 7,    // per-user registry value
    LocalRootFolder = 8,           // per-user registry value; falls back to the install folder
    LocalRootFolderLang = 9,       // per-user registry value
    BrevonixSharedFolder = 10,     // per-user registry value
    BrevonixSharedFolderLang = 11, // per-user registry value
    AllUsersFolder = 12,           // per-user registry value
    GraphicsCacheFolder = 13,      // per-user registry value
    UserDataCacheFolder = 14,      // install folder + "UserDataCache"
    UserDataCacheFolderLang = 15,  // install folder + "UserDataCache\" + language
    SandboxCrashSaveFolder = 16,   // per-user registry value
};
}  // namespace ZvUdSpecialFolder

extern "C" {

// Start-up -------------------------------------------------------------------

// Settles the process's product and language, preferring `product` and
// `language` (either may be null or empty). Returns 1 when every start-up step
// succeeded, 0 when one failed. Only the first settling call in the process has
// an effect; every later call returns 1 and changes nothing.
ZVUD_API(int) zvudInitProductParams(_In_opt_z_ const wchar_t* product, _In_opt_z_ const wchar_t* language);

// Puts `folders` (one or more ';'-separated folders, or null for none) and a
// ';' in front of PATH as the process environment holds it (a host's
// SetEnvironmentVariableW counts), without removing duplicates, and sets the
// process environment and the library's C runtime copy alike. Returns 1 when
// PATH was set, 0 otherwise, also when the new PATH would pass the
// environment's limit of 32766 characters (PATH is then unchanged). Start-up
// puts the language folder in front the same way, quoted when the
// installation folder holds ';' ("C:\a;b\L1" in quotes), as PATH allows, so
// that no piece of it reads as a relative folder.
ZVUD_API(int) AppendEnvironmentPath(_In_opt_z_ const wchar_t* folders);

// Identity ---------------------------------------------------------------------

// Length result: the machine product registry root key (a subkey path without
// hive) as named by the product's identity file.
ZVUD_API(unsigned int) zvudGetMachineProductRegistryRootKey(_Out_writes_opt_(capacity) wchar_t* buffer, unsigned int capacity);

// Length result: the global registry root key named by the identity file.
ZVUD_API(unsigned int) zvudGetGlobalRegistryRootKey(_Out_writes_opt_(capacity) wchar_t* buffer, unsigned int capacity);

// Length result: the user product registry root key, that is the override set
// by zvudSetUserProductRegistryRootKey when there is one, else the machine
// product registry root key. Reading the override settles nothing.
ZVUD_API(unsigned int) zvudGetUserProductRegistryRootKey(_Out_writes_opt_(capacity) wchar_t* buffer, unsigned int capacity);

// Sets the override of the user product registry root key; null, an empty
// string or one of 512 characters or more switches the override off. Every
// reader, on any thread, sees the old or the new value whole. Always returns 0.
ZVUD_API(int) zvudSetUserProductRegistryRootKey(_In_opt_z_ const wchar_t* key);

// Length result: the full path of the product's identity file (identity.ini).
ZVUD_API(unsigned int) GetCurrentProductIdentityIniPath(_Out_writes_opt_(capacity) wchar_t* buffer, unsigned int capacity);

// Length result: the vertical product's ';'-separated folder list, as published
// in ZVVERTICALPATH; empty for the base product.
ZVUD_API(unsigned int) zvudGetVerticalEnvPath(_Out_writes_opt_(capacity) wchar_t* buffer, unsigned int capacity);

// The current UI language. The text belongs to the library and stays valid
// until it is unloaded. Raises the structured exception 0xC0000008
// (continuable) when no language is set; if continued, returns "".
ZVUD_API(const wchar_t*) zvudGetProductUILanguage(void);

// Folders ----------------------------------------------------------------------

// Capacity result: the per-language user-data cache folder. When only the
// plain cache folder fits, it is left in the buffer and the result is 0.
// The second argument is not read.
ZVUD_API(unsigned int) GetZOVAUserDataCacheLangPath(_Out_writes_opt_(capacity) wchar_t* buffer, _In_opt_ void* ignored, unsigned int capacity);

}  // extern "C"

// Identity (decorated names) ------------------------------------------------------

// Length result: the current product id.
ZVUD_DECORATED_EXPORT(unsigned int, zvudGetCurrentProduct,
                      (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity),
                      (buffer, capacity), "?zvudGetCurrentProduct@@YAIPEA_WK@Z")

// Length result: the current UI language id.
ZVUD_DECORATED_EXPORT(unsigned int, zvudGetCurrentLanguage,
                      (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity),
                      (buffer, capacity), "?zvudGetCurrentLanguage@@YAIPEA_WK@Z")

// The same function as zvudGetProductUILanguage, under its second name.
ZVUD_DECORATED_EXPORT(const wchar_t*, zvudGetProductUALanguage, (void), (),
                      "?zvudGetProductUALanguage@@YAPEB_WXZ")

// Length result: the program name, the last component of the machine product
// registry root key before its last '-' (Software\V\S\R\Tool-X1 gives Tool).
ZVUD_DECORATED_EXPORT(unsigned int, GetProgramName, (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity), (buffer, capacity),
                      "?GetProgramName@@YAIPEA_WK@Z")

// Length result: the product name, the third-last component of the machine
// product registry root key (Software\V\Suite\R\Tool-X1 gives Suite).
ZVUD_DECORATED_EXPORT(unsigned int, GetProductName, (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity), (buffer, capacity),
                      "?GetProductName@@YAIPEA_WK@Z")

// The registry value "ProductName" under the product registry root key.
// Note the unit: the result is the value's size in BYTES with its terminator,
// and `capacity` is compared with that byte count. 0 when it is missing, empty
// or larger than `capacity`, and for a value of 4096 bytes or more: it is read
// into 4096 bytes, which must leave room behind it for a terminator (2046
// characters and a terminator, 4094 bytes, give 4094; 2047 characters give 0).
// At most `capacity` bytes are written, whatever the stored byte count: the
// text and its terminator must fit them (a value stored without a terminator
// or with an odd byte count needs more room than its size); otherwise the
// result is 0 and nothing is written.
ZVUD_DECORATED_EXPORT(unsigned int, GetVerticalProductName,
                      (_Out_writes_bytes_opt_(capacity) wchar_t* buffer, unsigned long capacity),
                      (buffer, capacity), "?GetVerticalProductName@@YAIPEA_WK@Z")

// Always 1.
ZVUD_DECORATED_EXPORT(int, IsUnicodeBuild, (void), (),
                      "?IsUnicodeBuild@@YAHXZ")

// Length result: the path stored under the value `name` (null or empty for the
// default value) of the key "ProductSpecific" below the product registry root
// key; environment references in it are expanded. A value of 260 characters or
// more reads as missing. Settles nothing: until another export has settled the
// product, no product's value is read.
ZVUD_DECORATED_EXPORT(unsigned int, GetProductSpecificFilePath,
                      (_In_opt_z_ const wchar_t* name, _Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity),
                      (name, buffer, capacity), "?GetProductSpecificFilePath@@YAIPEB_WPEA_WK@Z")

// Folders (decorated names) ---------------------------------------------------------

// The library's own folder with a trailing backslash. Result: its length in
// characters without the terminator; 0 on failure, a buffer too small for the
// folder included (the buffer then holds ""). Only the folder and its
// terminator are ever written, whatever capacity is stated. A folder that
// Win32 reads as another one is refused: loaded by a path without "\\?\" (or
// one that the system does not keep) from a folder whose name ends in '.' or
// ' ' ("C:\Suite.\", which names "C:\Suite\"), the library has no folder: 0
// here, start-up fails and nothing beside it is read. A kept "\\?\" prefix
// stays in every path the library builds from its folder.
ZVUD_DECORATED_EXPORT(unsigned int, GetProductRootFolder,
                      (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity),
                      (buffer, capacity), "?GetProductRootFolder@@YAIPEA_WK@Z")

// When the working directory is the "userdatacache" folder beside the host
// executable (any letter case), makes the user's Documents folder the working
// directory, creating it when missing. Otherwise changes nothing.
ZVUD_DECORATED_EXPORT(void, SetWorkingDirectory, (void), (),
                      "?SetWorkingDirectory@@YAXXZ")

// Capacity result: the path of a special folder. A null buffer or a capacity of
// 0 asks only for the capacity needed. 0 for a number outside 0 to 16 or a
// folder that cannot be had: no language, no help file, a per-user value that
// is missing, empty, not a string or longer than 2047 characters (a missing
// RoamableRootFolder or LocalRootFolder gives the install folder instead).
ZVUD_DECORATED_EXPORT(unsigned int, zvudGetSpecialFolder,
                      (ZvUdSpecialFolder::Folders folder, _Out_writes_opt_(capacity) wchar_t* buffer, unsigned long long capacity),
                      (folder, buffer, capacity), "?zvudGetSpecialFolder@@YAIW4Folders@ZvUdSpecialFolder@@PEA_W_K@Z")

// Flag result: the folders built from the install folder and the language
// (InstallFolder, InstallFolderLang, SampleFolder(Lang), UserDataCacheFolder(Lang)).
// `buffer` must not be null. 0 for any other folder number, when no language
// is set or when the path does not fit; nothing is written then. Only the path and its terminator are ever
// written, whatever capacity is stated.
ZVUD_DECORATED_EXPORT(unsigned int, zvudGetProductXFoldPath,
                      (_Out_writes_(capacity) wchar_t* buffer, unsigned long long capacity, ZvUdSpecialFolder::Folders folder),
                      (buffer, capacity, folder), "?zvudGetProductXFoldPath@@YAIPEA_W_KW4Folders@ZvUdSpecialFolder@@@Z")

// Flag result: the string value `valueName` under the user product registry
// root key in HKEY_CURRENT_USER, unexpanded. A null buffer only tests that a
// string value of that name exists. 0 for a missing value, a REG_SZ without
// terminator, another type, a value that does not fit `capacity` with its
// terminator, or a user root key of 260 characters or more (the buffer may then
// have been written). A capacity above 0x3FFFFFFF characters, more than one
// registry read can take, counts as 0x3FFFFFFF.
ZVUD_DECORATED_EXPORT(unsigned int, zvudGetXRootFoldPath,
                      (_In_opt_z_ const wchar_t* valueName, _Out_writes_opt_(capacity) wchar_t* buffer, unsigned long long capacity),
                      (valueName, buffer, capacity), "?zvudGetXRootFoldPath@@YAIPEB_WPEA_W_K@Z")

// Help and strings -------------------------------------------------------------------

// Length result: the full path of the help file, from the user's current
// profile, else the product's default help file in the library's "Help" folder.
ZVUD_DECORATED_EXPORT(unsigned int, GetHelpFileName, (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity), (buffer, capacity),
                      "?GetHelpFileName@@YAIPEA_WK@Z")

// Length result: the context help file (program name + "CTXT.CHM") in the
// help file's folder; the file name alone when the help path has no folder.
ZVUD_DECORATED_EXPORT(unsigned int, GetContextFileName, (_Out_writes_opt_(capacity) wchar_t* buffer, unsigned long capacity), (buffer, capacity),
                      "?GetContextFileName@@YAIPEA_WK@Z")

// Capacity result: `text` resolved when it is a reference "@module,-number" to
// a string resource (strings cut to 259 characters), else `text` unchanged.
// Any text of that form is a reference, however long: a module name of 260
// characters or more (a "\\?\" path included) cannot be found, and a number
// of 260 digits or more names no string.
// The module is mapped as data, so none of its code runs, and released within
// the call. A module given by full path ("X:\..." or "\\server\...") is
// taken as it is; a bare name is looked for only in absolute folders: loaded
// modules, the host's folder, the system and Windows folders, then the
// absolute folders of PATH (never ".", an empty or a relative entry). A
// relative path with a folder part (".\x.dll", "..\x.dll", "sub\x.dll",
// "C:x.dll") is never looked for. The string table is read as untrusted data:
// a string whose length, or an earlier string's, runs past its block is
// missing. Null or empty text, plain text of 2^32 - 1 characters or more
// (whose count the result cannot hold), a module that cannot be found or
// mapped and a missing or empty string give 0. With a buffer and a non-zero
// capacity the buffer holds "" after any failure.
ZVUD_DECORATED_EXPORT(unsigned int, zvudLoadMUIString,
                      (_In_opt_z_ const wchar_t* text, _Out_writes_opt_(capacity) wchar_t* buffer, unsigned long long capacity),
                      (text, buffer, capacity), "?zvudLoadMUIString@@YAIPEB_WPEA_W_K@Z")

// Housekeeping -----------------------------------------------------------------------

// Repairs each installed product's per-user data through the Windows Installer.
// Returns 0 when the work ended well, otherwise a Windows or Windows Installer
// status code.
ZVUD_DECORATED_EXPORT(unsigned int, InstallUserData, (void), (),
                      "?InstallUserData@@YAIXZ")

// True when the suite's three in-process COM servers are registered with
// relative paths (or the two optional ones not at all).
ZVUD_DECORATED_EXPORT(bool, CheckCOMServerRelativePaths, (void), (),
                      "?CheckCOMServerRelativePaths@@YA_NXZ")

// Runs the migration tool beside the library when the machine switch and the
// user's migration state call for it. The tool's path, product and language
// each reach the tool as one whole argument, whatever characters they hold
// (quoted for its argument parser). After a failed start-up (no product
// registry root key) nothing runs and nothing is written, even with a user
// product registry root key override. Always returns true.
ZVUD_DECORATED_EXPORT(bool, ProcessAutoMigrate, (void), (),
                      "?ProcessAutoMigrate@@YA_NXZ")

// Writes `data` as the string value `valueName` of `key`: unchanged under the
// value's present type (REG_SZ when new or unreadable), or, once InstallUserData
// has returned 0 in the process, with the user's profile folder folded into
// %USERPROFILE% (then in lower case, as REG_EXPAND_SZ). Returns the write's
// status (0 when written); null `data` writes nothing and gives 87
// (ERROR_INVALID_PARAMETER).
ZVUD_DECORATED_EXPORT(unsigned int, zvudRegSetString,
                      (_In_ HKEY__* key, _In_opt_z_ const wchar_t* valueName, _In_opt_z_ const wchar_t* data),
                      (key, valueName, data), "?zvudRegSetString@@YAIPEAUHKEY__@@PEB_W1@Z")

#if defined(NO_STRICT)
// Under NO_STRICT, windows.h makes HKEY a plain HANDLE (void*), which C++ does
// not turn into HKEY__*: this overload takes it and calls the export, whose
// name stays that of HKEY__*. (A template, so that a null key stays the
// export's and is not ambiguous; define NO_STRICT before including this
// header, as on the compiler's command line.)
template <typename Handle>
inline unsigned int zvudRegSetString(_In_ Handle* key, _In_opt_z_ const wchar_t* valueName,
                                     _In_opt_z_ const wchar_t* data)
{
    return zvudRegSetString(static_cast<HKEY__*>(key), valueName, data);
}
#endif

#undef ZVUD_DECORATED_EXPORT
#undef ZVUD_API
#undef ZVUD_LABEL
#ifdef ZVUD_NO_SAL
#undef ZVUD_NO_SAL
#undef _In_
#undef _In_opt_
#undef _In_opt_z_
#undef _Out_writes_
#undef _Out_writes_opt_
#undef _Out_writes_bytes_opt_
#endif

#endif  // USERDATA_USERDATA_H

// The capacities of the library's and zvud's fixed buffers, in characters
// with the terminator, named by what they hold. Hosts see them: text that
// does not fit its buffer fails rather than spilling, so each buffer takes
// the capacity that names its content and no file writes a size of its own.
// No Windows header: the text routines that use them are built and fuzzed
// natively too.
//
// No heap after start-up: the folder exports (zvudGetSpecialFolder and the
// others of folders/) and the help exports (GetHelpFileName,
// GetContextFileName) allocate nothing once start-up has run. Hosts call
// them from code that must not allocate, and the help folders are built from
// the help file. So everything they compose, read or expand lies in buffers
// of these capacities on the stack, and the core functions behind them
// (FolderPaths.h, HelpFiles.h, the registry reads into fixed arrays) keep to
// the same rule; a path that does not fit fails rather than being cut.
#pragma once

namespace userdata {

// A name read or built in one piece: a registry key or value name, a product,
// program or language name, an identity file value, a loaded string, a piece
// of an indirect string reference, a product or language on the migration
// tool's command line.
inline constexpr unsigned kNameCapacity = 260;

// A path within Windows' classic limit: the library's module path and the
// files beside it, a help file, a folder that a value names, the key path that
// per-user folder values and the vertical product name are read from.
inline constexpr unsigned kPathCapacity = 260;

// The pieces of a module path as _wsplitpath_s gives them: the drive ("C:")
// and each of directory, file name and extension.
inline constexpr unsigned kDriveCapacity = 3;
inline constexpr unsigned kPathPartCapacity = 256;

// A registry key path below a hive: the user root key override, the product
// list, the migration switches.
inline constexpr unsigned kKeyPathCapacity = 512;

// A key path as ZvRegistryAccess::DeleteRegistryTree deletes it (the repair's
// per-user key), extended by one subkey name after another.
inline constexpr unsigned kDeleteTreePathCapacity = 520;

// Text composed or expanded whole: a key path built below a root key, a
// profile name as read, an expanded registry value, a root key that names are
// cut from.
inline constexpr unsigned kLongTextCapacity = 2048;

// A special folder path as composed (the working path of the folder exports).
inline constexpr unsigned kFolderPathCapacity = kLongTextCapacity;

// The language as the folder exports copy it, and the piece "Sample\" or
// "UserDataCache\" followed by it.
inline constexpr unsigned kFolderLanguageCapacity = 256;
inline constexpr unsigned kSubFolderCapacity = 64;

// The most of a help profile's name that is used.
inline constexpr unsigned kProfileNameLength = 260;

// The context help file: the help file's folder and the context file's name.
inline constexpr unsigned kContextPathCapacity = kPathCapacity + kNameCapacity;

// The vertical product name as read from the registry: 4096 bytes. A longer
// name gives hosts none (GetVerticalProductName) rather than a cut one.
inline constexpr unsigned kProductNameCapacity = 2048;

// Expandable registry text as stored, read at its own size before it is
// expanded into kLongTextCapacity.
inline constexpr unsigned kExpandableTextCapacity = 4096;

// The vertical product's folders as read from "VerticalEnvPath": 8096 bytes.
// A longer value fails start-up's vertical path step rather than put a cut
// folder on PATH.
inline constexpr unsigned kVerticalValueCapacity = 4048;

// The environment's limit for one variable's value, terminator included.
inline constexpr unsigned kEnvironmentValueCapacity = 32767;

// The migration tool's command line: the quoted tool path (259 characters),
// the options, and a product and a language of 259 characters each even when
// every character of theirs needs an escape: 261 + 3 + 10 + 520 + 11 + 520 +
// 5 characters and the terminator.
inline constexpr unsigned kMigratorCommandLineCapacity = 1331;

// zvud: room for any text a length-result export can give, so that "does not
// fit" never hides an answer; and the system's message text for a status.
inline constexpr unsigned kToolAnswerCapacity = 32768;
inline constexpr unsigned kStatusMessageCapacity = 1024;

}  // namespace userdata

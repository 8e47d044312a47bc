// The capacities of the library's fixed buffers, in characters with the
// terminator, named by what they hold. Hosts see them: text that does not fit
// its buffer fails rather than spilling, so each buffer takes the capacity
// that names its content and no file writes a size of its own. No Windows
// header: the text routines that use them are built and fuzzed natively too.
#pragma once

namespace userdata {

// A name read or built in one piece: a registry key or value name, a product,
// program or language name, an identity file value, a loaded string, a piece
// of an indirect string reference.
inline constexpr unsigned kNameCapacity = 260;

// A path within Windows' classic limit: the library's module path and the
// files beside it, a help file, a folder that a value names, the key path that
// per-user folder values and the vertical product name are read from.
inline constexpr unsigned kPathCapacity = 260;

// A registry key path below a hive: the user root key override, the product
// list, the migration switches.
inline constexpr unsigned kKeyPathCapacity = 512;

// Text composed or expanded whole: a special folder path, a key path built
// below a root key, a profile name as read, an expanded registry value, a
// root key that names are cut from.
inline constexpr unsigned kLongTextCapacity = 2048;

// The vertical product name as read from the registry: 4096 bytes, as it has
// always been read.
inline constexpr unsigned kProductNameCapacity = 2048;

// A special folder path as composed (the working path of the folder exports).
inline constexpr unsigned kFolderPathCapacity = kLongTextCapacity;

// The context help file: the help file's folder and the context file's name.
inline constexpr unsigned kContextPathCapacity = kPathCapacity + kNameCapacity;

// Expandable registry text as stored, read at its own size before it is
// expanded into kLongTextCapacity.
inline constexpr unsigned kExpandableTextCapacity = 4096;

// The vertical product's folders as read from "VerticalEnvPath": 8096 bytes,
// as the value has always been read.
inline constexpr unsigned kVerticalValueCapacity = 4048;

// The environment's limit for one variable's value, terminator included.
inline constexpr unsigned kEnvironmentValueCapacity = 32767;

}  // namespace userdata

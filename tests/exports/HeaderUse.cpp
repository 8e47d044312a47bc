// A host translation unit that takes the address of every export declared in
// the public header, and includes nothing else: compiled for MSVC (clang in
// MSVC mode) and for mingw-w64, its undefined symbols must be exactly the
// exported names of the table.
#include "ExportTable.h"

#define USERDATA_TAKE_ADDRESS(function, exportedName) reinterpret_cast<const void*>(&::function),
extern const void* const everyExport[];
const void* const everyExport[] = {USERDATA_EXPORT_TABLE(USERDATA_TAKE_ADDRESS)};
#undef USERDATA_TAKE_ADDRESS

// The system DLLs of a Windows program come from the system folder only. Windows' loader looks for
// a DLL that is not one of the system's "known DLLs" in the program's own folder first, and so does
// LoadLibrary by default: a DLL of such a name placed beside the program would run inside it. The
// programs import those DLLs delay-loaded (cmake/DelayLoad.cmake), and this, their first act, makes
// every later load, theirs and the system's own, search the system folder alone.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ruz::win32 {

// False when the system refused (a Windows older than 8 without the update that brings it): the
// program then ends rather than load DLLs from its own folder.
inline bool loadSystemLibrariesFromSystemFolderOnly() {
    return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

}  // namespace ruz::win32

#pragma once

#include "platform/component/Guid.h"
#include "platform/component/HResult.h"
#include "platform/registry/Registry.h"

#include <optional>
#include <string>
#include <string_view>

// Host-side creation of component objects: the class is looked up in the
// registry (HKEY_CLASSES_ROOT), its library loaded and its class factory
// asked for a new object. Loaded libraries stay loaded until
// freeUnusedLibraries() finds them idle.
namespace platform::component {

// "Strovix.Vidorra.1" or a version-independent ProgID (through its CLSID
// value, or its CurVer). Nothing when not registered.
std::optional<Guid> clsidFromProgId(const registry::Registry& reg, std::string_view progId);
// The library path registered for the class.
std::optional<std::string> inprocServerOf(const registry::Registry& reg, const Guid& clsid);

// Loads the library of `clsid` and asks for its class factory (or another
// interface of it). REGDB_E_CLASSNOTREG when the class is not registered,
// CO_E_DLLNOTFOUND when the library cannot be loaded, CO_E_ERRORINDLL when
// it lacks the entry point.
HResult getClassObject(const registry::Registry& reg, const Guid& clsid, const Guid& iid, void** out);

// Creates an object from a CLSID in braces or a ProgID and asks it for `iid`.
HResult createInstance(const registry::Registry& reg, std::string_view clsidOrProgId, const Guid& iid,
                       void** out);

// Loads `libraryPath` and calls its DllRegisterServer (or DllUnregisterServer).
HResult registerLibrary(const std::string& libraryPath, bool unregister = false);

// Unloads every loaded library whose DllCanUnloadNow says S_OK; returns how
// many were unloaded.
int freeUnusedLibraries();

// The last loader message (dlerror) of this thread, for diagnostics.
std::string lastLoadError();

} // namespace platform::component

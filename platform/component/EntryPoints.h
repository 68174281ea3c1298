#pragma once

#include "platform/component/Guid.h"
#include "platform/component/HResult.h"

// The four entry points an in-process component library exports with C
// linkage. The host finds them by name after loading the library.
extern "C" {
using DllGetClassObjectFn = platform::component::HResult (*)(const platform::component::Guid* clsid,
                                                             const platform::component::Guid* iid, void** out);
using DllCanUnloadNowFn = platform::component::HResult (*)();
using DllRegisterServerFn = platform::component::HResult (*)();
using DllUnregisterServerFn = platform::component::HResult (*)();
}

namespace platform::component {
inline constexpr const char* kDllGetClassObject = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNow = "DllCanUnloadNow";
inline constexpr const char* kDllRegisterServer = "DllRegisterServer";
inline constexpr const char* kDllUnregisterServer = "DllUnregisterServer";
} // namespace platform::component

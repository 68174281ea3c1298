#pragma once

#include "platform/component/HResult.h"
#include "platform/registry/Registry.h"

#include <string>

namespace strovix {

// Writes the class, ProgID and type-library entries of Vidorra under
// HKEY_CLASSES_ROOT with `modulePath` as the library. Keys that are
// replaced whole (Programmable, Control, Insertable, ToolboxBitmap32) are
// removed first, so registering twice leaves one set. SELFREG_E_CLASS or
// SELFREG_E_TYPELIB when a key cannot be written.
platform::component::HResult registerVidorra(platform::registry::Registry& reg, const std::string& modulePath);
// Removes the two ProgID keys, the class key with everything below it and
// the type-library entries; the parent "CLSID" key stays.
platform::component::HResult unregisterVidorra(platform::registry::Registry& reg);

// The absolute path of the library file (or program) holding this code.
std::string thisModulePath();

} // namespace strovix

// The version information of the library file, kept in a section of its
// own so that tools can read it from the file without loading it.
#include "control/automation/VidorraIdentity.h"

namespace {
// Entries are "Name=Value", each ended by a NUL.
[[gnu::used, gnu::section("strovix_version")]] const char kVersionInfo[] =
    "FileVersion=1.0.1.5\0"
    "ProductVersion=1.0.1.5\0"
    "FileDescription=Strovix Module\0"
    "ProductName=Strovix Module\0"
    "InternalName=Strovix\0"
    "OriginalFilename=strovix.dll\0"
    "OLESelfRegister=\0"
    "String100=Strovix\0";
} // namespace

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace strovix::recording {

// Changes the first APP1 marker (FF E1) of a picture into APP7 (FF E7); later
// ones stay. Returns whether one was found.
bool changeFirstApp1ToApp7(std::vector<uint8_t>& picture);

// Creates (or replaces) the file and writes all bytes. Returns 0 or the system
// error code; a file that could not be written whole is removed.
int writePictureFile(const std::string& name, std::span<const uint8_t> bytes);

// Creates every missing folder on the way to the file `fileName` (not the
// root). Returns false when one cannot be created.
bool createFoldersFor(const std::string& fileName);

} // namespace strovix::recording

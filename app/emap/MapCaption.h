#pragma once

#include <string>

class eMap;

// The texts under which the e-map window lists its maps.
namespace emap {

// The file name of `path` without its folder and without its extension (the
// part from the last "."); a name that starts with its only "." keeps it.
std::string pictureTitle(const std::string& path);

// The Layout menu caption of a map slot: for a slot with a picture file its
// name and " : " and its position text when both are set, its name alone when
// only the name is, and the picture's title (above) when the name is empty; a
// slot without picture (or none at all) is "Layout".
std::string layoutCaption(const eMap* map);

} // namespace emap

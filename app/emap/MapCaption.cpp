#include "app/emap/MapCaption.h"

#include "app/emap/eMap.h"

namespace emap {

std::string pictureTitle(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

std::string layoutCaption(const eMap* map)
{
    if (!map || map->getMapFileName().empty())
        return "Layout";
    const std::string& name = map->getName();
    const std::string& pos = map->getPos();
    if (name.empty())
        return pictureTitle(map->getMapFileName());
    if (pos.empty())
        return name;
    return name + " : " + pos;
}

} // namespace emap

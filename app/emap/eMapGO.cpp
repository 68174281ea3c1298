#include "app/emap/eMapGO.h"

eMapGO::eMapGO(std::string file) : m_file(std::move(file)) {}

eMap* eMapGO::createMap(int i)
{
    if (i < 0 || i >= kSlots)
        return nullptr;
    m_maps[static_cast<size_t>(i)] = std::make_unique<eMap>(static_cast<int16_t>(i), m_file);
    return m_maps[static_cast<size_t>(i)].get();
}

eMap* eMapGO::getMap(int i)
{
    if (i < 0 || i >= kSlots)
        return nullptr;
    if (!m_maps[static_cast<size_t>(i)]) {
        createMap(i)->load();
    }
    return m_maps[static_cast<size_t>(i)].get();
}

void eMapGO::loadAllMaps()
{
    for (int i = 0; i < kSlots; ++i)
        getMap(i)->load();
}

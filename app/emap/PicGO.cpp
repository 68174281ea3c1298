#include "app/emap/PicGO.h"

PicGO::PicGO(std::string file) : m_file(std::move(file)) {}

CameraPicPos* PicGO::createCameraPicPos(int i)
{
    if (i < 0 || i >= kSlots)
        return nullptr;
    m_icons[static_cast<size_t>(i)] = std::make_unique<CameraPicPos>(static_cast<int16_t>(i), m_file);
    return m_icons[static_cast<size_t>(i)].get();
}

CameraPicPos* PicGO::getCameraPicPos(int i)
{
    if (i < 0 || i >= kSlots)
        return nullptr;
    if (!m_icons[static_cast<size_t>(i)])
        createCameraPicPos(i);
    return m_icons[static_cast<size_t>(i)].get();
}

void PicGO::loadAllCameraPicPos()
{
    for (int i = 0; i < kSlots; ++i)
        getCameraPicPos(i)->load();
}

#include "app/emap/MapRemoval.h"

#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"

namespace emap {

void closeMapGap(eMapGO& maps, PicGO& icons, int removed, int last)
{
    if (removed < 0 || last < removed || last >= eMapGO::kSlots)
        return;
    for (int slot = removed + 1; slot <= last; ++slot) {
        const eMap* from = maps.getMap(slot);
        eMap* to = maps.getMap(slot - 1);
        to->setMapFileName(from->getMapFileName());
        to->setName(from->getName());
        to->setPos(from->getPos());
        to->save();
        for (int i = 0; i < PicGO::kSlots; ++i) {
            CameraPicPos* icon = icons.getCameraPicPos(i);
            if (icon->getMapID() == slot) {
                icon->setMapID(static_cast<int16_t>(slot - 1));
                icon->save();
            }
        }
    }
    eMap* vacated = maps.getMap(last);
    vacated->setMapFileName("");
    vacated->setName("");
    vacated->setPos("");
    vacated->save();
}

} // namespace emap

#include "app/emap/MapCaption.h"
#include "app/emap/MapRemoval.h"
#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"
#include "platform/ini/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(MapCaption, NameAndPositionOrThePicturesTitle)
{
    TempDir dir;
    eMap map(1, dir.file("eLayout.ini"));
    EXPECT_EQ(emap::layoutCaption(nullptr), "Layout");
    map.setName("Hall");
    map.setPos("North");
    EXPECT_EQ(emap::layoutCaption(&map), "Layout") << "a slot without picture";

    map.setMapFileName("/plans/site.v2.jpeg");
    EXPECT_EQ(emap::layoutCaption(&map), "Hall : North");
    map.setPos("");
    EXPECT_EQ(emap::layoutCaption(&map), "Hall");
    map.setName("");
    map.setPos("North");
    EXPECT_EQ(emap::layoutCaption(&map), "site.v2") << "the whole extension goes, not four characters";

    EXPECT_EQ(emap::pictureTitle("plan.png"), "plan");
    EXPECT_EQ(emap::pictureTitle("/a.b/plan"), "plan");
    EXPECT_EQ(emap::pictureTitle("/a/.hidden"), ".hidden");
}

TEST(MapRemoval, LaterMapsMoveDownWithTheirIconsAndTheLastSlotEmpties)
{
    TempDir dir;
    const std::string file = dir.file("eLayout.ini");
    eMapGO maps(file);
    PicGO icons(file);
    for (int n = 1; n <= 4; ++n) {
        maps.getMap(n)->setMapFileName("/plans/" + std::to_string(n) + ".png");
        maps.getMap(n)->setName("map " + std::to_string(n));
        icons.getCameraPicPos(n)->setFlg(true);
        icons.getCameraPicPos(n)->setMapID(static_cast<int16_t>(n));
    }

    emap::closeMapGap(maps, icons, 2, 4);
    EXPECT_EQ(maps.getMap(1)->getName(), "map 1");
    EXPECT_EQ(maps.getMap(2)->getName(), "map 3");
    EXPECT_EQ(maps.getMap(3)->getMapFileName(), "/plans/4.png");
    EXPECT_EQ(maps.getMap(4)->getMapFileName(), "");
    EXPECT_EQ(icons.getCameraPicPos(1)->getMapID(), 1);
    EXPECT_EQ(icons.getCameraPicPos(2)->getMapID(), 2) << "the caller resets the removed map's icons";
    EXPECT_EQ(icons.getCameraPicPos(3)->getMapID(), 2);
    EXPECT_EQ(icons.getCameraPicPos(4)->getMapID(), 3);
    // What moved is in the file; the emptied slot reads as unused.
    eMapGO reread(file);
    EXPECT_EQ(reread.getMap(3)->getName(), "map 4");
    EXPECT_EQ(reread.getMap(4)->getMapFileName(), "");
    EXPECT_EQ(platform::ini::readInt(file, "Picture4", "MAP_ID", -1), 3);
    EXPECT_EQ(platform::ini::readInt(file, "Picture1", "MAP_ID", -1), -1) << "an unchanged icon was written";

    // Slots outside the store change nothing.
    emap::closeMapGap(maps, icons, 3, 16);
    EXPECT_EQ(maps.getMap(3)->getMapFileName(), "/plans/4.png");
}

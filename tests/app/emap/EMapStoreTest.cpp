#include "app/emap/CameraPicPos.h"
#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"
#include "platform/ini/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(CameraPicPos, LoadRules)
{
    TempDir dir;
    const std::string file = dir.file("eLayout.ini");
    dir.write("eLayout.ini", "[Picture3]\nCamera=5\nPOS_X=1\nPIC_F=True\n"
                             "[Picture5]\nCamera=5\nPOS_X=1234.5\nPOS_Y=-7abc\nPIC_F=\nMAP_ID=2\n"
                             "[Picture6]\nPIC_F=true\n[Picture7]\nPIC_F=False\n[Picture8]\nPIC_F=1\n"
                             "[Picture9]\nPOS_X=99999\n");
    PicGO icons(file);
    EXPECT_EQ(icons.getCameraPicPos(16), nullptr);
    EXPECT_EQ(icons.getCameraPicPos(-1), nullptr);

    // Slot 3 stands for camera 5 and reads the rest from Picture5.
    CameraPicPos* three = icons.getCameraPicPos(3);
    ASSERT_TRUE(three->load());
    EXPECT_EQ(three->getPicVid(), 5);
    EXPECT_EQ(three->getPicXPos(), 1234.0f);
    EXPECT_EQ(three->getPicYPos(), -7.0f);
    EXPECT_FALSE(three->getFlg()); // Picture5's empty PIC_F, not Picture3's "True"
    EXPECT_EQ(three->getMapID(), 2);

    icons.loadAllCameraPicPos();
    EXPECT_TRUE(icons.getCameraPicPos(6)->getFlg());
    EXPECT_FALSE(icons.getCameraPicPos(7)->getFlg());
    EXPECT_TRUE(icons.getCameraPicPos(8)->getFlg());
    EXPECT_EQ(icons.getCameraPicPos(9)->getPicXPos(), 32767.0f);
    // No section at all: camera i, not placed, at 0,0 on map 0.
    CameraPicPos* twelve = icons.getCameraPicPos(12);
    EXPECT_EQ(twelve->getPicVid(), 12);
    EXPECT_FALSE(twelve->getFlg());
    EXPECT_EQ(twelve->getPicXPos(), 0.0f);
    EXPECT_EQ(twelve->getMapID(), 0);
}

TEST(CameraPicPos, SaveWritesTextsInOrderAndReadsBackWholeNumbers)
{
    TempDir dir;
    const std::string file = dir.file("eLayout.ini");
    {
        CameraPicPos icon(4, file);
        icon.setPicXPos(120.0f);
        icon.setPicYPos(45.5f);
        icon.setFlg(true);
        icon.setMapID(3);
        ASSERT_TRUE(icon.save());
    }
    EXPECT_EQ(dir.read("eLayout.ini"), "[Picture4]\nCamera=4\nPOS_X=120\nPOS_Y=45.5\nPIC_F=True\nMAP_ID=3\n");
    CameraPicPos back(4, file);
    back.load();
    EXPECT_EQ(back.getPicXPos(), 120.0f);
    EXPECT_EQ(back.getPicYPos(), 45.0f);
    EXPECT_TRUE(back.getFlg());
    EXPECT_EQ(back.getMapID(), 3);

    EXPECT_EQ(CameraPicPos::positionText(0.1f), "0.1");
    EXPECT_EQ(CameraPicPos::positionText(-3.25f), "-3.25");
    EXPECT_EQ(CameraPicPos::positionText(1e10f), "10000000000");
}

TEST(eMapGO, MapSlots)
{
    TempDir dir;
    const std::string file = dir.file("eLayout.ini");
    dir.write("eLayout.ini", "[eMapFile1]\nMAP_NAME=Hall\nMAP_POS=Floor 1\n"
                             "[eMapFile2]\nFILE_NAME=/maps/yard.png\nMAP_NAME=Yard\n");
    eMapGO maps(file);
    EXPECT_EQ(maps.getMap(16), nullptr);
    EXPECT_EQ(maps.createMap(-1), nullptr);

    eMap* one = maps.getMap(1); // a section without FILE_NAME is ignored
    EXPECT_EQ(one->getMapMenuID(), 1);
    EXPECT_EQ(one->getMapFileName(), "");
    EXPECT_EQ(one->getName(), "");
    EXPECT_FALSE(one->load());

    eMap* two = maps.getMap(2);
    EXPECT_EQ(two->getMapFileName(), "/maps/yard.png");
    EXPECT_EQ(two->getName(), "Yard");
    EXPECT_EQ(two->getPos(), "");
    EXPECT_EQ(maps.getMap(2), two); // created once

    eMap* five = maps.createMap(5);
    five->setMapFileName("/maps/gate.png");
    five->setName("Gate");
    five->setPos("North");
    ASSERT_TRUE(five->save());
    EXPECT_EQ(platform::ini::keys(file, "eMapFile5"), (std::vector<std::string>{"FILE_NAME", "MAP_NAME", "MAP_POS"}));
    eMapGO reread(file);
    reread.loadAllMaps();
    EXPECT_EQ(reread.getMap(5)->getName(), "Gate");
    EXPECT_EQ(reread.getMap(5)->getPos(), "North");
}

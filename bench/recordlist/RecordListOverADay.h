#pragma once

// The record list window (offscreen) over the day of recordings of
// DayOfRecordings.h, every camera's recording folder pointed at its folder.
// Make the QApplication first.
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/ViewerGO.h"
#include "app/recordlist/RecListForm.h"
#include "app/storage/VolumeInfo.h"
#include "DayOfRecordings.h"
#include "support/TempDir.h"

#include <memory>

struct RecordListOverADay {
    RecordListOverADay()
    {
        day_of_recordings::buildFolders(root);
        config.initConfig(home.path());
        for (int16_t uid = 0; uid < day_of_recordings::kCameras; ++uid)
            cameras.getCamera(uid)->setRecPath(day_of_recordings::folderOf(root, uid));
        form = std::make_unique<RecListForm>(cameras, volumes);
    }

    recording_test::MemoryTempDir root;
    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
    CameraGO cameras{config, viewers};
    SystemVolumes volumes;
    std::unique_ptr<RecListForm> form;
};

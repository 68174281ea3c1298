#pragma once

// A configuration window over a temporary application folder, with the
// dialog service captured, camera slot 0 bound to a fake viewer (its writes
// logged) and a fake volume table whose only mount points are "/" and the
// folder `mountPoint`.
#include "app/appconfig/AppCfgForm.h"
#include "app/appconfig/AppCfgHost.h"
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/FakeViewer.h"
#include "app/core/ViewerGO.h"
#include "app/storage/VolumeInfo.h"
#include "platform/ini/IniFile.h"
#include "support/CapturedDialogs.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

inline QApplication& testApp()
{
    // The weekday and month names below are the English ones.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return guiApp();
}

class FakeMounts : public VolumeInfo {
public:
    explicit FakeMounts(std::string mount) : m_mount(std::move(mount)) { }
    std::optional<VolumeFigures> figures(const std::string&) const override { return VolumeFigures{1 << 30, 1 << 29}; }
    std::string mountPoint(const std::string& path) const override
    {
        return path.rfind(m_mount, 0) == 0 ? m_mount + "/" : "/";
    }
    std::optional<VolumeKind> kind(const std::string&) const override { return VolumeKind::Usable; }

private:
    std::string m_mount;
};

// Records what the window asked of the main window, in order.
class RecordingHost : public AppCfgHost {
public:
    std::vector<std::string> calls;
    void showWaitWindow(const std::string& text) override { calls.push_back("wait:" + text); }
    void hideWaitWindow() override { calls.push_back("unwait"); }
    void applyViewerLayout(int16_t views) override { calls.push_back("layout:" + std::to_string(views)); }
};

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        std::filesystem::create_directories(home.file("etc"));
        for (const char* folder : {"rec", "snap", "mnt/disk1", "rec2", "snap2"})
            std::filesystem::create_directories(home.file(folder));
        home.write("etc/config.ini", initialConfig());
        config.initConfig(home.path());
        ViewerGO::Viewers handles;
        handles[0] = ViewerHandle(FakeViewer::make(&viewer));
        viewers.setViewers(handles);
        cameras = std::make_unique<CameraGO>(config, viewers);
        form = std::make_unique<AppCfgForm>(*cameras, nullptr, std::make_shared<FakeMounts>(home.file("mnt")));
        form->setHost(&host);
    }

    virtual std::string initialConfig() const
    {
        return "[App]\nVIEWER_LAYOUT=9\nSET_PERCENT=7\nSET_ALERT_SPACE=80\nSET_CIRCULAR_MODE=1\nSET_LINE_NUM=20\n"
               "[Camera1]\nIP=10.0.0.5\nPORT=8080\nDISPLAY_LOCATION=Gate\nREC_PATH=" + home.file("rec") +
               "\nREC_FRAME_RATE=15\nREC_NUMBER_OF_FRAME=500\nSNAPSHOT_PATH=" + home.file("snap") +
               "\nREC_AT_START=0\nSCHEDULE=30,8,-1,-1,-1,600\n";
    }

    template <class Widget = QWidget>
    Widget* child(const char* name) const
    {
        auto* found = form->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    void type(const char* name, const QString& text) const { edit(name)->setText(text); }
    void click(const char* name) const;

    // Shows tab `tab` with camera slot `uid` selected.
    void openOn(int tab, int uid = 0) const
    {
        form->camList()->setCurrentRow(uid);
        form->tabs()->setCurrentIndex(tab);
    }

    std::string configText() const { return home.read("etc/config.ini"); }
    std::string stored(const char* section, const char* key) const
    {
        return platform::ini::readString(config.getConfigFile(), section, key, "<absent>");
    }

    // Saves the window as it looks now under the build folder.
    std::string screenshot(const std::string& name) const
    {
        form->show();
        QApplication::processEvents();
        const std::string path = std::string(std::getenv("OCULON_BUILD_BIN")) + "/../appcfg-" + name + ".png";
        form->grab().save(QString::fromStdString(path));
        return path;
    }

    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
    FakeViewer* viewer = nullptr;
    std::unique_ptr<CameraGO> cameras;
    CapturedDialogs dialogs;
    CapturedDialogs::Installed installed{dialogs};
    RecordingHost host;
    std::unique_ptr<AppCfgForm> form;
};

#include <QAbstractButton>

inline void FormFixture::click(const char* name) const
{
    child<QAbstractButton>(name)->click();
}

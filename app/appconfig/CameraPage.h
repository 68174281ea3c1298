#pragma once

#include "app/appconfig/AppCfgFields.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class Camera;
class QCheckBox;
class QLineEdit;
class QPushButton;
class VolumeInfo;

// The "Camera" tab of the configuration window: one camera's address,
// name, folders and recording settings (at start, on motion). It shows a camera's values, checks
// and applies the typed ones (pushing them into the running camera) and
// saves the camera's section. GUI thread only.
class CameraPage : public QWidget {
    Q_OBJECT
public:
    // The camera the buttons act on; null after the operator was told that
    // none is selected.
    using CameraChoice = std::function<Camera*()>;
    // A folder chosen by the operator starting at `start`; empty when cancelled.
    using FolderChoice = std::function<std::string(const std::string& start)>;

    // `volumes` tells the mount points for the snapshot folder's check.
    CameraPage(CameraChoice camera, FolderChoice folder, std::shared_ptr<const VolumeInfo> volumes,
               QWidget* parent = nullptr);

    // The fields := the camera's values (also the Restore button). From
    // then on the fields belong to that camera (shownCamera).
    void showCameraFields(Camera& camera);
    // The camera whose values the fields were loaded from; null before any.
    // OK and Apply apply the fields to this camera only, never to one chosen
    // in the list after they were loaded.
    Camera* shownCamera() const { return m_shown; }
    // Checks the fields and applies them to the camera in this order: both
    // folders must exist; the port is checked, the address handed to
    // connect (which reconnects only when it changed), then display location
    // and recording folder; the frame rate, then the frames per file are
    // checked and set; then the snapshot folder and record-at-start; last the
    // motion hold is checked, then it and record-on-motion are set. A failed
    // check tells the operator, shows the camera's value again in a refused
    // number field and returns false, leaving the earlier steps applied.
    bool applyCameraFields(Camera& camera);
    // applyCameraFields, then the camera's section is written whatever the
    // outcome (the Save button).
    void saveCamera(Camera& camera);

    // The recording folder's and the snapshot folder's choice. The snapshot
    // folder refuses the root of a volume.
    void chooseRecPath();
    void chooseSnapshotPath();

    QLineEdit* field(appcfg::CameraField which) const { return m_fields[which]; }
    QCheckBox* checkBox(appcfg::CameraCheck which) const { return m_checks[which]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool refuseNumber(appcfg::CameraField which, const Camera& camera);
    bool isVolumeRoot(const std::string& path) const;

    CameraChoice m_camera;
    FolderChoice m_folder;
    std::shared_ptr<const VolumeInfo> m_volumes;
    std::array<QLineEdit*, appcfg::kCameraFieldCount> m_fields{};
    std::array<QCheckBox*, appcfg::kCameraCheckCount> m_checks{};
    Camera* m_shown = nullptr;
};

#include "app/mainwindow/MainTimers.h"
#include "app/core/DateFO.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "app/core/FocusedCamera.h"
#include "app/core/ViewerGO.h"
#include "app/storage/DiskWatch.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>

#include <utility>

SlotDuties SlotDuties::of(CameraGO& cameras, ViewerGO& viewers, FocusedCamera& focused, CameraWindow* window)
{
    SlotDuties duties;
    duties.schedulePasses = [&cameras](int16_t slot) {
        if (Camera* camera = cameras.getCamera(slot)) {
            camera->startScheduledRec();
            camera->stopScheduledRec();
        }
    };
    duties.focusedUid = [&focused]() -> int16_t {
        const Camera* camera = focused.getFocusedCamera();
        return camera ? camera->getUID() : int16_t{-1};
    };
    if (window) {
        duties.updateRecBtn = [window](int16_t slot) { window->updateRecBtn(slot); };
    }
    duties.requestTime = [&viewers](int16_t slot) { viewers.getViewerAt(slot).getTime(); };
    duties.isRecording = [&cameras](int16_t slot) {
        const Camera* camera = cameras.getCamera(slot);
        return camera && camera->isRecording();
    };
    duties.recPath = [&cameras](int16_t slot) {
        const Camera* camera = cameras.getCamera(slot);
        return camera ? camera->getRecPath() : std::string();
    };
    duties.processPendingEvents = [window] {
        if (window)
            window->processPendingEvents();
        else
            QApplication::processEvents();
    };
    return duties;
}

MainTimers::MainTimers(QLabel* clockLbl, SlotDuties duties, DiskWatch& disk, QObject* parent)
    : MainTimers(clockLbl, std::move(duties), disk, Pace{}, parent)
{
}

MainTimers::MainTimers(QLabel* clockLbl, SlotDuties duties, DiskWatch& disk, Pace pace, QObject* parent)
    : QObject(parent)
    , m_clockLbl(clockLbl)
    , m_duties(std::move(duties))
    , m_disk(disk)
    , m_now(pace.now ? std::move(pace.now) : [] { return QDateTime::currentDateTime(); })
{
    m_clockTmr.setObjectName("ClockTmr");
    m_timer1.setObjectName("Timer1");
    connect(&m_clockTmr, &QTimer::timeout, this, &MainTimers::clockTick);
    connect(&m_timer1, &QTimer::timeout, this, &MainTimers::watchTick);
    m_clockTmr.start(pace.clockMs);
    m_timer1.start(pace.watchMs);
}

void MainTimers::stop()
{
    m_stopped = true;
    m_clockTmr.stop();
    m_timer1.stop();
}

void MainTimers::clockTick()
{
    if (m_clockLbl)
        m_clockLbl->setText(DateFO::dateTimeText(m_now()));
    // Whatever started or ended a recording (a schedule, motion, the viewer
    // itself on a file error, a lost camera), every record button shows it
    // within a second: one read of each viewer's Avi.
    if (m_duties.updateRecBtn && !m_stopped)
        for (int16_t slot = 0; slot < kSlots; ++slot)
            m_duties.updateRecBtn(slot);
}

void MainTimers::watchTick()
{
    // The events run after each slot may deliver another tick; it is dropped.
    if (m_watchRunning || m_stopped)
        return;
    m_watchRunning = true;
    for (int16_t slot = 0; slot < kSlots && !m_stopped; ++slot) {
        if (m_duties.schedulePasses)
            m_duties.schedulePasses(slot);
        if (m_duties.updateRecBtn && m_duties.focusedUid && m_duties.focusedUid() == slot)
            m_duties.updateRecBtn(slot);
        if (m_duties.requestTime)
            m_duties.requestTime(slot);
        if (m_duties.isRecording && m_duties.isRecording(slot))
            m_disk.periodicCheck(true, m_duties.recPath ? m_duties.recPath(slot) : std::string());
        if (m_duties.processPendingEvents)
            m_duties.processPendingEvents();
    }
    m_watchRunning = false;
}

#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class CameraGO;
class CameraWindow;
class DiskWatch;
class FocusedCamera;
class QLabel;
class ViewerGO;

// What the watch timer does for each camera slot, in this order: the
// schedule passes, the record button refresh of the focused camera, the
// camera clock request, the disk check of a recording camera, then the
// pending events of the user interface.
struct SlotDuties {
    std::function<void(int16_t slot)> schedulePasses;
    std::function<int16_t()> focusedUid;
    std::function<void(int16_t slot)> updateRecBtn;
    std::function<void(int16_t slot)> requestTime;
    // Whether the camera records, and where.
    std::function<bool(int16_t slot)> isRecording;
    std::function<std::string(int16_t slot)> recPath;
    std::function<void()> processPendingEvents;

    // The duties over the application's cameras and viewers. The record
    // button of a slot is refreshed through `window`, which may be null (no
    // buttons to refresh); every object must outlive the returned duties.
    static SlotDuties of(CameraGO& cameras, ViewerGO& viewers, FocusedCamera& focused, CameraWindow* window);
};

// The main window's two timers: `ClockTmr` shows the local date and time in
// the clock label every second in the user's format, and refreshes every
// slot's record button (and with it the e-map icons); `Timer1` runs the slot
// duties for all 16 slots every 30 seconds, with the shared disk check. A
// watch tick lets events run after every slot; a tick that arrives while an
// earlier one still runs is dropped, so a tick never runs inside another.
// GUI thread only.
class MainTimers : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlots = 16;

    // The intervals are the program's; tests shorten them and give a clock.
    struct Pace {
        int clockMs = 1000;
        int watchMs = 30000;
        std::function<QDateTime()> now;
    };

    // `clockLbl` and `disk` must outlive this object. The timers start at once.
    MainTimers(QLabel* clockLbl, SlotDuties duties, DiskWatch& disk, QObject* parent = nullptr);
    MainTimers(QLabel* clockLbl, SlotDuties duties, DiskWatch& disk, Pace pace, QObject* parent = nullptr);

    // One tick of each timer, as the timers run them.
    void clockTick();
    void watchTick();

    bool watchTickRunning() const { return m_watchRunning; }

    // Stops both timers for good (the shut-down takes the viewers and
    // cameras away); a watch tick that is running ends after its current slot.
    void stop();

private:
    QLabel* m_clockLbl;
    SlotDuties m_duties;
    DiskWatch& m_disk;
    std::function<QDateTime()> m_now;
    QTimer m_clockTmr;
    QTimer m_timer1;
    bool m_watchRunning = false;
    bool m_stopped = false;
};

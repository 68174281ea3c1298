#pragma once

#include <memory>
#include <string>
#include <vector>

class CameraSlot;
class ScheduleItem;

// A camera's recording rules, in insertion order (positions are 1-based).
// The camera holds its schedule; the schedule holds its items; the
// back-references (schedule -> camera, item -> schedule) are plain pointers
// that are cleared or replaced, never owning. GUI thread only.
class Schedule : public std::enable_shared_from_this<Schedule> {
public:
    using Items = std::vector<std::shared_ptr<ScheduleItem>>;

    Schedule();
    ~Schedule();
    Schedule(const Schedule&) = delete;
    Schedule& operator=(const Schedule&) = delete;

    // Appends the items stored for the bound camera in `configFile` (nothing
    // is replaced: loading twice doubles them). Returns true.
    bool load(const std::string& configFile);
    // Writes all items as the bound camera's SCHEDULE value. Returns false
    // only when the write failed or no camera is bound.
    bool save(const std::string& configFile) const;

    CameraSlot* getCamera() const { return m_camera; }
    // Binds both ways: a camera other than the bound one is stored and its
    // setSchedule is called with this schedule (which must be held by a
    // shared_ptr). Null changes nothing and returns null.
    CameraSlot* setCamera(CameraSlot* camera);
    // Clears the back-reference when it is `camera` (the camera is going).
    void unbindCamera(const CameraSlot* camera);
    // A camera's setSchedule: `held` (the camera's schedule) becomes
    // `schedule`, the previous one unbound from `camera` and the new one
    // bound to it. Null changes nothing and returns null; else returns `held`.
    static std::shared_ptr<Schedule> replaceHeld(std::shared_ptr<Schedule>& held, std::shared_ptr<Schedule> schedule,
                                                 CameraSlot* camera);

    // The live collection. Passes iterate a copy of it, since items may be
    // added or removed while they yield to pending events.
    const Items& getItems() const { return m_items; }
    // Binds the item to this schedule and appends it.
    const Items& addItem(std::shared_ptr<ScheduleItem> item);
    // Detaches and removes the item at 1-based `position`; later items move
    // up. A position outside 1..count changes nothing.
    const Items& rmvItem(size_t position);

private:
    CameraSlot* m_camera = nullptr;
    Items m_items;
};

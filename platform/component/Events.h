#pragma once

#include "platform/component/Unknown.h"
#include "platform/component/Variant.h"

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

namespace platform::component {

// The host's receiver of an object's events: one call per event, with the
// event's dispatch identifier and arguments.
class EventSink : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{02F7462A-1E4F-4DE5-8FC5-A81E5D031D10}");
    virtual HResult invoke(int32_t dispid, const std::vector<Variant>& args) = 0;
};

// An object that fires events: hosts connect sinks for its event interface.
class ConnectionPointContainer : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{2E20B17B-3D3F-40C5-8808-FA1809CB6E97}");
    // Connects `sink` (a reference is kept) for the event interface
    // `eventIid`; *cookie identifies the connection. CONNECT_E_NOCONNECTION
    // for an interface the object does not fire, E_POINTER for null.
    virtual HResult advise(const Guid& eventIid, EventSink* sink, uint32_t* cookie) = 0;
    // Disconnects and releases the sink; CONNECT_E_NOCONNECTION for an
    // unknown cookie.
    virtual HResult unadvise(const Guid& eventIid, uint32_t cookie) = 0;
};

// The sink list of one event interface, embedded by the firing object. All
// calls happen on the object's thread (the thread that constructed the
// list); a fire from any other thread is refused, so sinks are only ever
// called on the host's user-interface thread.
class ConnectionPoint {
public:
    explicit ConnectionPoint(const Guid& eventIid);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    const Guid& eventIid() const { return m_iid; }
    HResult advise(EventSink* sink, uint32_t* cookie);
    HResult unadvise(uint32_t cookie);
    // Releases every sink.
    void clear();
    size_t size() const { return m_sinks.size(); }

    // Calls every connected sink in the order of connection. A sink may
    // disconnect itself or others while being called. E_UNEXPECTED off the
    // owning thread (no sink is called).
    HResult fire(int32_t dispid, const std::vector<Variant>& args);

private:
    Guid m_iid;
    std::thread::id m_owner;
    uint32_t m_nextCookie = 1;
    std::vector<std::pair<uint32_t, EventSink*>> m_sinks;
};

} // namespace platform::component

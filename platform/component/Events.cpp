#include "platform/component/Events.h"

namespace platform::component {

ConnectionPoint::ConnectionPoint(const Guid& eventIid) : m_iid(eventIid), m_owner(std::this_thread::get_id()) { }

ConnectionPoint::~ConnectionPoint() { clear(); }

HResult ConnectionPoint::advise(EventSink* sink, uint32_t* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    sink->addRef();
    *cookie = m_nextCookie++;
    m_sinks.emplace_back(*cookie, sink);
    return S_OK;
}

HResult ConnectionPoint::unadvise(uint32_t cookie)
{
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->first == cookie) {
            EventSink* sink = it->second;
            m_sinks.erase(it);
            sink->release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::clear()
{
    auto sinks = std::move(m_sinks);
    m_sinks.clear();
    for (auto& [cookie, sink] : sinks)
        sink->release();
}

HResult ConnectionPoint::fire(int32_t dispid, const std::vector<Variant>& args)
{
    if (std::this_thread::get_id() != m_owner)
        return E_UNEXPECTED;
    // A snapshot with its own references: sinks may unadvise during the call.
    auto snapshot = m_sinks;
    for (auto& [cookie, sink] : snapshot)
        sink->addRef();
    for (auto& [cookie, sink] : snapshot) {
        bool stillConnected = false;
        for (auto& entry : m_sinks)
            stillConnected = stillConnected || entry.first == cookie;
        if (stillConnected)
            sink->invoke(dispid, args);
    }
    for (auto& [cookie, sink] : snapshot)
        sink->release();
    return S_OK;
}

} // namespace platform::component

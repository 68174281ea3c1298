#pragma once

#include "platform/component/Guid.h"
#include "platform/component/HResult.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform::component {

// The base of every interface: reference counting and interface query. An
// object lives while its count is above zero and frees itself (inside the
// module that made it) when the last reference is released.
class Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{00000000-0000-0000-C000-000000000046}");

    // On success *out holds an added reference to the interface `iid`; on
    // E_NOINTERFACE *out is null.
    virtual HResult queryInterface(const Guid& iid, void** out) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;

protected:
    virtual ~Unknown() = default;
};

// The host's owning pointer to an interface: adds a reference on copy,
// releases it when it goes.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) { }
    // Takes over a reference the caller already holds (as an out parameter gives).
    static ComPtr adopt(T* p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    ComPtr(const ComPtr& o) : m_p(o.m_p)
    {
        if (m_p)
            m_p->addRef();
    }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) { }
    ComPtr& operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: releases what is held and gives the slot.
    void** put()
    {
        reset();
        return reinterpret_cast<void**>(&m_p);
    }

    // Asks the object for another of its interfaces; empty when it has none.
    template <class U> ComPtr<U> query() const
    {
        ComPtr<U> out;
        if (m_p)
            m_p->queryInterface(U::iid, out.put());
        return out;
    }

private:
    T* m_p = nullptr;
};

// The reference count an object implementation embeds.
class RefCount {
public:
    uint32_t add() { return m_count.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The count after the release; the owner deletes itself at zero.
    uint32_t drop() { return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    uint32_t value() const { return m_count.load(); }

private:
    std::atomic<uint32_t> m_count{1};
};

} // namespace platform::component

#pragma once

#include "platform/component/ExceptionBarrier.h"
#include "platform/component/TypeInfo.h"
#include "platform/component/Unknown.h"

#include <atomic>

namespace platform::component {

// Makes the objects of one class.
class ClassFactory : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{2973BF54-7F59-4F99-B1CB-9CB62529CEF3}");
    // Creates an object and asks it for `iid`. Aggregation is not offered:
    // a non-null `outer` gives CLASS_E_NOAGGREGATION.
    virtual HResult createInstance(Unknown* outer, const Guid& iid, void** out) = 0;
    // Keeps the library loaded while locked (counted).
    virtual HResult lockServer(bool lock) = 0;
};

// The class information an object gives its host: its class, default and
// event interfaces with their member tables.
class ProvideClassInfo : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{C001EC2F-FD7B-4333-8B51-5DA5EF8CE8CE}");
    virtual const CoClassInfo& classInfo() const = 0;
};

// The live objects, server locks and running threads of the module (library)
// this code is linked into; the library may be unloaded when all are zero.
// A worker that outstays its stop is detached, never killed, and runs the
// module's code until it ends: unloading the library under it would crash.
class ModuleCount {
public:
    static void objectCreated() { s_objects.fetch_add(1); }
    static void objectDestroyed() { s_objects.fetch_sub(1); }
    static void lock() { s_locks.fetch_add(1); }
    static void unlock() { s_locks.fetch_sub(1); }
    // Before a thread of the module is started (by the starting thread), and
    // as the thread's very last act.
    static void threadStarting() { s_threads.fetch_add(1); }
    static void threadEnded() { s_threads.fetch_sub(1); }
    static long objects() { return s_objects.load(); }
    static long threads() { return s_threads.load(); }
    static bool canUnload() { return s_objects.load() == 0 && s_locks.load() == 0 && s_threads.load() == 0; }

private:
    static inline std::atomic<long> s_objects{0};
    static inline std::atomic<long> s_locks{0};
    static inline std::atomic<long> s_threads{0};
};

// The class factory of a class T with a default constructor. The factory
// itself is a static object of the module and is not counted. A constructor
// that throws gives E_OUTOFMEMORY (out of memory) or E_FAIL, never an
// exception.
template <class T> class ClassFactoryOf final : public ClassFactory {
public:
    HResult queryInterface(const Guid& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == Unknown::iid || iid == ClassFactory::iid) {
            *out = static_cast<ClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return 2; }
    uint32_t release() override { return 1; }

    HResult createInstance(Unknown* outer, const Guid& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return exceptionBarrier(E_FAIL, [&] {
            T* object = new T();
            const HResult hr = object->queryInterface(iid, out);
            object->release(); // the query's reference is the caller's
            return hr;
        });
    }
    HResult lockServer(bool lock) override
    {
        lock ? ModuleCount::lock() : ModuleCount::unlock();
        return S_OK;
    }
};

} // namespace platform::component

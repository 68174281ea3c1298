#pragma once

// Qt's event queue is not instrumented, so ThreadSanitizer cannot see that
// what a worker wrote into an event before posting it is visible to the
// window thread that handles or drops it, and reports every such hand-off as
// a data race. The poster calls handOver(event) once the event is complete,
// just before posting it, and the window thread takeOver(event) before it
// reads it. Both do nothing in other builds. (Queued calls made with
// QMetaObject::invokeMethod cannot be marked this way: Qt copies their
// captures inside the call.)

#if defined(__SANITIZE_THREAD__)
#define STROVIX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define STROVIX_TSAN 1
#endif
#endif

#ifdef STROVIX_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace strovix {

inline void handOver([[maybe_unused]] const void* key)
{
#ifdef STROVIX_TSAN
    __tsan_release(const_cast<void*>(key));
#endif
}

inline void takeOver([[maybe_unused]] const void* key)
{
#ifdef STROVIX_TSAN
    __tsan_acquire(const_cast<void*>(key));
#endif
}

} // namespace strovix

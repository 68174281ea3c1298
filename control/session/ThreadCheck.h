#pragma once

// Checks of the rules the control's objects rely on but a type cannot
// express: "window thread only" and "close before destruction". They are
// active in debug builds (NDEBUG unset) and in every sanitizer build, and
// compile to nothing in release builds. A broken rule names itself and
// aborts, so a test run that breaks one fails where it happens.

#include <cstdio>
#include <cstdlib>
#include <thread>

#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define STROVIX_CHECK_RULES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define STROVIX_CHECK_RULES 1
#endif
#endif

namespace strovix {

// True when the rule checks are compiled in (tests of the checks skip otherwise).
inline constexpr bool kRuleChecks =
#ifdef STROVIX_CHECK_RULES
    true;
#else
    false;
#endif

[[noreturn]] inline void ruleBroken(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: rule broken: %s\n", file, line, rule);
    std::fflush(stderr);
    std::abort();
}

// The thread an object belongs to: the one that created it. Costs nothing
// in release builds.
class OwnerThread {
public:
    OwnerThread()
#ifdef STROVIX_CHECK_RULES
        : m_thread(std::this_thread::get_id())
#endif
    {
    }
    bool isCurrent() const
    {
#ifdef STROVIX_CHECK_RULES
        return std::this_thread::get_id() == m_thread;
#else
        return true;
#endif
    }

private:
#ifdef STROVIX_CHECK_RULES
    std::thread::id m_thread;
#endif
};

} // namespace strovix

#ifdef STROVIX_CHECK_RULES
// Aborts with `rule` when `condition` is false.
#define STROVIX_CHECK(condition, rule)                                                                                 \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::strovix::ruleBroken(rule, __FILE__, __LINE__);                                                           \
    } while (false)
#else
#define STROVIX_CHECK(condition, rule)                                                                                 \
    do {                                                                                                               \
    } while (false)
#endif

// The calling thread must be the one that created `owner` (an OwnerThread).
#define STROVIX_CHECK_OWNER_THREAD(owner) STROVIX_CHECK((owner).isCurrent(), "called off its window thread")

#pragma once

#include "platform/component/HResult.h"

#include <new>
#include <utility>

namespace platform::component {

// Runs `body` (which returns an HResult) so that no exception leaves it:
// running out of memory gives E_OUTOFMEMORY, any other exception
// `onFailure`. Every function a host calls across the library's boundary
// runs its work through this, since an exception crossing into the host is
// undefined behaviour for it.
template <class Body> HResult exceptionBarrier(HResult onFailure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return onFailure;
    }
}

} // namespace platform::component

#pragma once

#include "platform/component/Guid.h"
#include "platform/component/HResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform::component {

// The error object a refusal leaves for its caller: a fixed text, the ProgID
// of the refusing class and the interface concerned (null for the control).
struct ErrorInfo {
    std::string description;
    std::string source;
    Guid iid;
    bool operator==(const ErrorInfo&) const = default;
};

// The calling thread's current error information. Each module (the library
// and its host) keeps its own slot; across the dispatch interface the error
// travels as the exception argument of `Dispatch::invoke`.
void setErrorInfo(ErrorInfo info);
// Takes the current error information away; nothing when none is set.
std::optional<ErrorInfo> takeErrorInfo();
// Reads it without taking it.
std::optional<ErrorInfo> peekErrorInfo();
void clearErrorInfo();

// Sets a new current error object and returns DISP_E_EXCEPTION.
HResult raiseError(std::string_view description, std::string_view source, const Guid& iid = {});

} // namespace platform::component

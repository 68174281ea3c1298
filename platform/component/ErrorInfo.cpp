#include "platform/component/ErrorInfo.h"

namespace platform::component {
namespace {
thread_local std::optional<ErrorInfo> t_current;
}

void setErrorInfo(ErrorInfo info) { t_current = std::move(info); }

std::optional<ErrorInfo> takeErrorInfo()
{
    std::optional<ErrorInfo> out;
    out.swap(t_current);
    return out;
}

std::optional<ErrorInfo> peekErrorInfo() { return t_current; }

void clearErrorInfo() { t_current.reset(); }

HResult raiseError(std::string_view description, std::string_view source, const Guid& iid)
{
    setErrorInfo(ErrorInfo{std::string(description), std::string(source), iid});
    return DISP_E_EXCEPTION;
}

} // namespace platform::component

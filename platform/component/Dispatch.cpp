#include "platform/component/Dispatch.h"

#include "platform/component/ExceptionBarrier.h"

namespace platform::component {

int32_t DispatchImpl::idOfName(std::string_view name) const
{
    const MemberInfo* m = typeInfo().findName(name);
    return m ? m->dispid : kDispidUnknown;
}

std::string_view DispatchImpl::errorSource() const { return typeInfo().name; }

HResult DispatchImpl::invoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                             ErrorInfo* excep)
{
    // Converting the arguments and raising the error object allocate too:
    // the whole call runs inside the barrier.
    return exceptionBarrier(E_UNEXPECTED, [&] { return checkedInvoke(dispid, kind, args, result, excep); });
}

HResult DispatchImpl::checkedInvoke(int32_t dispid, InvokeKind kind, std::vector<Variant>& args, Variant* result,
                                    ErrorInfo* excep)
{
    const MemberInfo* m = typeInfo().find(dispid);
    if (!m || !m->allows(kind))
        return DISP_E_MEMBERNOTFOUND;
    if (kind == InvokeKind::PropertyGet && !args.empty())
        return DISP_E_BADPARAMCOUNT;
    if (kind == InvokeKind::PropertyPut) {
        if (args.size() != 1)
            return DISP_E_BADPARAMCOUNT;
        auto v = args[0].convertedTo(variantTypeOf(m->type));
        if (!v)
            return DISP_E_TYPEMISMATCH;
        args[0] = std::move(*v);
    }
    if (kind == InvokeKind::Method) {
        if (args.size() != m->argCount)
            return DISP_E_BADPARAMCOUNT;
        for (size_t i = 0; i < args.size(); ++i) {
            const ArgType t = m->args[i].type;
            if (isOut(t))
                continue;
            auto v = args[i].convertedTo(variantTypeOf(t));
            if (!v)
                return DISP_E_TYPEMISMATCH;
            args[i] = std::move(*v);
        }
    }
    clearErrorInfo();
    Variant scratch;
    HResult hr = S_OK;
    try {
        hr = invokeMember(*m, kind, args, result ? *result : scratch);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // A failure the member did not foresee reaches the caller as a
        // refusal does, with error information of its own.
        hr = raiseError(kInternalFailure, errorSource());
    }
    if (hr == DISP_E_EXCEPTION && excep) {
        if (auto info = peekErrorInfo())
            *excep = *info;
    }
    return hr;
}

} // namespace platform::component

// The four entry points of libstrovix.so, the only symbols it exports. No
// exception leaves them: a failure becomes a result code.
#include "control/automation/Registration.h"
#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "platform/component/ClassFactory.h"
#include "platform/component/EntryPoints.h"
#include "platform/component/ExceptionBarrier.h"

using namespace platform::component;

namespace {
ClassFactoryOf<strovix::VidorraControl> g_factory;
}

extern "C" __attribute__((visibility("default"))) HResult DllGetClassObject(const Guid* clsid, const Guid* iid,
                                                                            void** out)
{
    if (!clsid || !iid || !out)
        return E_POINTER;
    *out = nullptr;
    if (*clsid != strovix::kClsidVidorra)
        return CLASS_E_CLASSNOTAVAILABLE;
    return exceptionBarrier(E_UNEXPECTED, [&] { return g_factory.queryInterface(*iid, out); });
}

extern "C" __attribute__((visibility("default"))) HResult DllCanUnloadNow()
{
    return ModuleCount::canUnload() ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HResult DllRegisterServer()
{
    return exceptionBarrier(E_FAIL, [] {
        const std::string path = strovix::thisModulePath();
        if (path.empty())
            return SELFREG_E_CLASS;
        platform::registry::Registry reg;
        return strovix::registerVidorra(reg, path);
    });
}

extern "C" __attribute__((visibility("default"))) HResult DllUnregisterServer()
{
    return exceptionBarrier(E_FAIL, [] {
        platform::registry::Registry reg;
        return strovix::unregisterVidorra(reg);
    });
}

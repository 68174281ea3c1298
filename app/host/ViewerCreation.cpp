#include "app/host/ViewerCreation.h"

#include "platform/component/Creation.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/Registry.h"

#include <cstdio>

#include <filesystem>

using namespace platform::component;

namespace host {

std::string installedControlLibrary()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path folder = ec ? std::filesystem::path(".") : exe.parent_path();
    const std::filesystem::path candidates[] = {folder / OCULON_CONTROL_LIBRARY, folder / "libstrovix.so",
                                                folder / OCULON_PRIVATEDIR_FROM_BINDIR / OCULON_CONTROL_LIBRARY};
    for (const auto& candidate : candidates)
        if (std::filesystem::exists(candidate, ec))
            return std::filesystem::weakly_canonical(candidate, ec).string();
    return candidates[0].string();
}

namespace {

// The class is registered with a library other than `library`, which
// exists: another installation (a build tree, /usr/local) registered last.
bool registeredElsewhere(const platform::registry::Registry& registry, const std::string& library)
{
    std::error_code ec;
    if (!std::filesystem::exists(library, ec))
        return false;
    const auto clsid = clsidFromProgId(registry, kViewerProgId);
    if (!clsid)
        return false;
    const auto registered = inprocServerOf(registry, *clsid);
    return !registered || !std::filesystem::equivalent(*registered, library, ec);
}

} // namespace

HResult createViewer(const std::string& library, ComPtr<Dispatch>& out)
{
    // The library beside the program wins over what another installation
    // registered; when it cannot register, whatever is registered serves.
    if (registeredElsewhere(platform::registry::Registry(), library))
        registerLibrary(library);
    HResult hr = createInstance(platform::registry::Registry(), kViewerProgId, Dispatch::iid, out.put());
    if (hr != REGDB_E_CLASSNOTREG && hr != CO_E_DLLNOTFOUND)
        return hr;
    // The library registers itself in the same per-user registry.
    if (failed(registerLibrary(library)))
        return hr;
    return createInstance(platform::registry::Registry(), kViewerProgId, Dispatch::iid, out.put());
}

std::string viewerCreationCause(HResult hr)
{
    const platform::registry::Registry registry;
    for (auto root : {platform::registry::Root::ClassesRoot, platform::registry::Root::CurrentUser})
        if (auto message = platform::ini::refusal(registry.fileOf(root)))
            return *message;
    if (const std::string loader = lastLoadError(); !loader.empty())
        return loader;
    char number[16];
    std::snprintf(number, sizeof number, "0x%08x", static_cast<unsigned>(hr));
    return std::string("error ") + number;
}

} // namespace host

#include "platform/component/Creation.h"

#include "platform/component/ClassFactory.h"
#include "platform/component/EntryPoints.h"

#include <dlfcn.h>
#include <map>
#include <mutex>

namespace platform::component {
namespace {

using registry::Root;

std::mutex g_libraryLock;
// Guarded by g_libraryLock: loaded libraries by path.
std::map<std::string, void*> g_libraries;
thread_local std::string t_loadError;

void* loadLibrary(const std::string& path)
{
    std::lock_guard lock(g_libraryLock);
    auto it = g_libraries.find(path);
    if (it != g_libraries.end())
        return it->second;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = ::dlerror();
        t_loadError = e ? e : "cannot load " + path;
        return nullptr;
    }
    g_libraries.emplace(path, handle);
    return handle;
}

void* entryPoint(void* handle, const char* name)
{
    ::dlerror();
    void* sym = ::dlsym(handle, name);
    if (!sym) {
        const char* e = ::dlerror();
        t_loadError = e ? e : std::string("missing ") + name;
    }
    return sym;
}

} // namespace

std::optional<Guid> clsidFromProgId(const registry::Registry& reg, std::string_view progId)
{
    std::string key(progId);
    for (int hop = 0; hop < 2; ++hop) {
        if (auto text = reg.queryString(Root::ClassesRoot, key + "\\CLSID", ""))
            return Guid::parse(*text);
        auto cur = reg.queryString(Root::ClassesRoot, key + "\\CurVer", "");
        if (!cur)
            return std::nullopt;
        key = *cur;
    }
    return std::nullopt;
}

std::optional<std::string> inprocServerOf(const registry::Registry& reg, const Guid& clsid)
{
    auto path = reg.queryString(Root::ClassesRoot, "CLSID\\" + clsid.toString() + "\\InprocServer32", "");
    if (!path || path->empty())
        return std::nullopt;
    return path;
}

HResult getClassObject(const registry::Registry& reg, const Guid& clsid, const Guid& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto path = inprocServerOf(reg, clsid);
    if (!path)
        return REGDB_E_CLASSNOTREG;
    void* handle = loadLibrary(*path);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    auto get = reinterpret_cast<DllGetClassObjectFn>(entryPoint(handle, kDllGetClassObject));
    if (!get)
        return CO_E_ERRORINDLL;
    return get(&clsid, &iid, out);
}

HResult createInstance(const registry::Registry& reg, std::string_view clsidOrProgId, const Guid& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto clsid = Guid::parse(clsidOrProgId);
    if (!clsid)
        clsid = clsidFromProgId(reg, clsidOrProgId);
    if (!clsid)
        return REGDB_E_CLASSNOTREG;
    ClassFactory* factory = nullptr;
    HResult hr = getClassObject(reg, *clsid, ClassFactory::iid, reinterpret_cast<void**>(&factory));
    if (failed(hr))
        return hr;
    hr = factory->createInstance(nullptr, iid, out);
    factory->release();
    return hr;
}

HResult registerLibrary(const std::string& libraryPath, bool unregister)
{
    void* handle = loadLibrary(libraryPath);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    auto fn = reinterpret_cast<DllRegisterServerFn>(
        entryPoint(handle, unregister ? kDllUnregisterServer : kDllRegisterServer));
    if (!fn)
        return CO_E_ERRORINDLL;
    return fn();
}

int freeUnusedLibraries()
{
    std::lock_guard lock(g_libraryLock);
    int n = 0;
    for (auto it = g_libraries.begin(); it != g_libraries.end();) {
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(it->second, kDllCanUnloadNow));
        if (canUnload && canUnload() == S_OK) {
            ::dlclose(it->second);
            it = g_libraries.erase(it);
            ++n;
        } else {
            ++it;
        }
    }
    return n;
}

std::string lastLoadError() { return t_loadError; }

} // namespace platform::component

#include "control/automation/Registration.h"

#include "control/automation/VidorraIdentity.h"
#include "control/automation/VidorraMembers.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace strovix {

using namespace platform::component;
using platform::registry::Root;

namespace {

// recompose-on-resize | cannot-link-inside | inside-out | activate-when-visible | set-client-site-first
constexpr unsigned kMiscStatus = 0x1 | 0x10 | 0x80 | 0x100 | 0x20000;
static_assert(kMiscStatus == 131473);

std::string classKey() { return "CLSID\\" + kClsidVidorra.toString(); }
std::string typeLibKey() { return "TypeLib\\" + kLibidStrovix.toString(); }
std::string interfaceKey(const Guid& iid) { return "Interface\\" + iid.toString(); }

class Writer {
public:
    explicit Writer(platform::registry::Registry& reg) : m_reg(reg) { }
    void value(const std::string& key, std::string_view name, std::string_view v)
    {
        m_ok = m_reg.setString(Root::ClassesRoot, key, name, v) && m_ok;
    }
    void key(const std::string& key) { m_ok = m_reg.createKey(Root::ClassesRoot, key) && m_ok; }
    // A key replaced whole: what was below it goes.
    void freshKey(const std::string& key)
    {
        m_reg.deleteTree(Root::ClassesRoot, key);
        this->key(key);
    }
    bool ok() const { return m_ok; }

private:
    platform::registry::Registry& m_reg;
    bool m_ok = true;
};

} // namespace

HResult registerVidorra(platform::registry::Registry& reg, const std::string& modulePath)
{
    const std::string clsid = kClsidVidorra.toString();
    const std::string progId(kProgId), indep(kVersionIndependentProgId);
    Writer w(reg);
    w.value(progId, "", kClassDescription);
    w.value(progId + "\\CLSID", "", clsid);
    w.value(indep, "", kClassDescription);
    w.value(indep + "\\CLSID", "", clsid);
    w.value(indep + "\\CurVer", "", progId);
    const std::string k = classKey();
    w.value(k, "", kClassDescription);
    w.value(k + "\\ProgID", "", progId);
    w.value(k + "\\VersionIndependentProgID", "", indep);
    w.freshKey(k + "\\Programmable");
    w.value(k + "\\InprocServer32", "", modulePath);
    w.value(k + "\\InprocServer32", "ThreadingModel", "Apartment");
    w.freshKey(k + "\\Control");
    w.freshKey(k + "\\Insertable");
    w.freshKey(k + "\\ToolboxBitmap32");
    w.value(k + "\\ToolboxBitmap32", "", modulePath + ", 101");
    w.value(k + "\\MiscStatus", "", "0");
    w.value(k + "\\MiscStatus\\1", "", std::to_string(kMiscStatus));
    w.value(k + "\\TypeLib", "", kLibidStrovix.toString());
    w.value(k + "\\Version", "", "1.0");
    if (!w.ok())
        return SELFREG_E_CLASS;

    // The type library, read from the library file itself, and the
    // interfaces it describes.
    Writer t(reg);
    const TypeLibInfo& lib = strovixTypeLib();
    const std::string version = std::to_string(lib.major) + "." + std::to_string(lib.minor);
    const std::string libKey = typeLibKey() + "\\" + version;
    t.value(libKey, "", lib.help);
    t.value(libKey + "\\0\\linux", "", modulePath);
    t.value(libKey + "\\FLAGS", "", "0");
    t.value(libKey + "\\HELPDIR", "", "");
    for (const InterfaceInfo* itf : {lib.coclass->defaultInterface, lib.coclass->eventInterface}) {
        const std::string ik = interfaceKey(itf->iid);
        t.value(ik, "", itf->name);
        t.value(ik + "\\TypeLib", "", kLibidStrovix.toString());
        t.value(ik + "\\TypeLib", "Version", version);
    }
    return t.ok() ? S_OK : SELFREG_E_TYPELIB;
}

HResult unregisterVidorra(platform::registry::Registry& reg)
{
    bool ok = true;
    ok = reg.deleteTree(Root::ClassesRoot, std::string(kProgId)) && ok;
    ok = reg.deleteTree(Root::ClassesRoot, std::string(kVersionIndependentProgId)) && ok;
    ok = reg.deleteTree(Root::ClassesRoot, classKey()) && ok;
    ok = reg.deleteTree(Root::ClassesRoot, typeLibKey()) && ok;
    ok = reg.deleteTree(Root::ClassesRoot, interfaceKey(kIidIVidorra)) && ok;
    ok = reg.deleteTree(Root::ClassesRoot, interfaceKey(kIidIVidorraEvents)) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

std::string thisModulePath()
{
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&thisModulePath), &info) || !info.dli_fname)
        return {};
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved))
        return resolved;
    return info.dli_fname;
}

} // namespace strovix

#include "DispatchHost.h"
#include "FakeCamera.h"
#include "control/automation/VidorraIdentity.h"
#include "control/automation/VidorraMembers.h"
#include "platform/component/ClassFactory.h"
#include "platform/component/Creation.h"
#include "platform/component/EntryPoints.h"
#include "platform/component/Hosting.h"
#include "platform/component/Persistence.h"
#include "platform/registry/Registry.h"
#include "support/TempDir.h"

#include <climits>
#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

using namespace platform::component;
using platform::registry::Registry;
using platform::registry::Root;

namespace {

std::string libraryPath()
{
    const char* bin = std::getenv("OCULON_BUILD_BIN");
    return std::string(bin ? bin : ".") + "/libstrovix.so";
}

// Every key with its values, sorted: the registry's content whatever the order of writing.
std::set<std::string> dump(const Registry& reg, const std::string& path = "")
{
    std::set<std::string> out;
    for (const auto& sub : reg.subkeys(Root::ClassesRoot, path)) {
        const std::string key = path.empty() ? sub : path + "\\" + sub;
        out.insert(key);
        for (const auto& name : reg.valueNames(Root::ClassesRoot, key))
            out.insert(key + " " + name + "=" + reg.queryString(Root::ClassesRoot, key, name).value_or("?"));
        auto below = dump(reg, key);
        out.insert(below.begin(), below.end());
    }
    return out;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        if (const char* before = std::getenv("STROVIX_REGISTRY"))
            previous = before;
        ::setenv("STROVIX_REGISTRY", dir.path().c_str(), 1);
        handle = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
    }
    void TearDown() override
    {
        if (handle)
            ::dlclose(handle);
        ::setenv("STROVIX_REGISTRY", previous.c_str(), 1);
    }
    template <class F> F entry(const char* name) { return reinterpret_cast<F>(::dlsym(handle, name)); }

    TempDir dir;
    std::string previous;
    void* handle = nullptr;
    const std::string classKey = "CLSID\\{7876E4A5-78B7-4020-B08F-C960A1ED54C9}";
};

} // namespace

TEST_F(Registration, WritesTheKeyTableOnceAndUnregisteringKeepsTheClsidKey)
{
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    Registry reg(dir.path());
    const auto once = dump(reg);
    EXPECT_GT(once.size(), 30u);
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    EXPECT_EQ(dump(reg), once);

    char resolved[PATH_MAX];
    ASSERT_TRUE(::realpath(libraryPath().c_str(), resolved));
    const std::string module = resolved;
    auto str = [&](const std::string& key, const std::string& name = "") {
        return reg.queryString(Root::ClassesRoot, key, name).value_or("<missing>");
    };
    EXPECT_EQ(str("Strovix.Vidorra.1"), "Vidorra Class");
    EXPECT_EQ(str("Strovix.Vidorra.1\\CLSID"), "{7876E4A5-78B7-4020-B08F-C960A1ED54C9}");
    EXPECT_EQ(str("Strovix.Vidorra\\CurVer"), "Strovix.Vidorra.1");
    EXPECT_EQ(str("Strovix.Vidorra\\CLSID"), "{7876E4A5-78B7-4020-B08F-C960A1ED54C9}");
    EXPECT_EQ(str(classKey), "Vidorra Class");
    EXPECT_EQ(str(classKey + "\\ProgID"), "Strovix.Vidorra.1");
    EXPECT_EQ(str(classKey + "\\VersionIndependentProgID"), "Strovix.Vidorra");
    EXPECT_EQ(str(classKey + "\\InprocServer32"), module);
    EXPECT_EQ(str(classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(str(classKey + "\\ToolboxBitmap32"), module + ", 101");
    EXPECT_EQ(str(classKey + "\\MiscStatus"), "0");
    EXPECT_EQ(str(classKey + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(str(classKey + "\\TypeLib"), "{376FEA98-4939-4CDA-80ED-3DFA5F5107C7}");
    EXPECT_EQ(str(classKey + "\\Version"), "1.0");
    for (const char* k : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(reg.keyExists(Root::ClassesRoot, classKey + "\\" + k)) << k;
    EXPECT_TRUE(reg.keyExists(Root::ClassesRoot, "TypeLib\\{376FEA98-4939-4CDA-80ED-3DFA5F5107C7}\\1.0"));

    // Something a previous version left below a key that is replaced whole goes.
    reg.createKey(Root::ClassesRoot, classKey + "\\Control\\Stale");
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, classKey + "\\Control\\Stale"));

    reg.setString(Root::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}", "", "other class");
    ASSERT_EQ(registerLibrary(libraryPath(), true), S_OK);
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, classKey));
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, "Strovix.Vidorra"));
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, "Strovix.Vidorra.1"));
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, "TypeLib\\{376FEA98-4939-4CDA-80ED-3DFA5F5107C7}"));
    EXPECT_TRUE(reg.keyExists(Root::ClassesRoot, "CLSID"));
    EXPECT_EQ(str("CLSID\\{00000000-0000-0000-0000-000000000001}"), "other class");
}

TEST_F(Registration, ExportsOnlyTheEntryPointsAndRefusesOtherClasses)
{
    auto get = entry<DllGetClassObjectFn>(kDllGetClassObject);
    ASSERT_NE(get, nullptr);
    EXPECT_NE(entry<DllCanUnloadNowFn>(kDllCanUnloadNow), nullptr);
    EXPECT_EQ(::dlsym(handle, "_ZN7strovix14VidorraControlC1Ev"), nullptr);
    void* out = &out;
    const Guid other = Guid::fromString("{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(get(&other, &ClassFactory::iid, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(get(&strovix::kClsidVidorra, &ClassFactory::iid, &out), S_OK);
    EXPECT_NE(out, nullptr);
}

TEST_F(Registration, HostCreatesByProgIdAndUnloadFollowsLiveObjects)
{
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    auto canUnload = entry<DllCanUnloadNowFn>(kDllCanUnloadNow);
    EXPECT_EQ(canUnload(), S_OK);
    Registry reg(dir.path());
    ComPtr<Dispatch> control;
    ASSERT_EQ(createInstance(reg, "Strovix.Vidorra", Dispatch::iid, control.put()), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    auto info = control.query<ProvideClassInfo>();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->classInfo().clsid, strovix::kClsidVidorra);
    EXPECT_EQ(control->typeInfo().iid, strovix::kIidIVidorra);
    // The class factory lock keeps the library too.
    ComPtr<ClassFactory> factory;
    ASSERT_EQ(getClassObject(reg, strovix::kClsidVidorra, ClassFactory::iid, factory.put()), S_OK);
    factory->lockServer(true);
    info.reset();
    control.reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->lockServer(false);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(Registration, SavedAndLoadedControlKeepsBackColorAndNothingElse)
{
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    Registry reg(dir.path());
    ComPtr<Dispatch> first, second, fresh;
    ASSERT_EQ(createInstance(reg, "Strovix.Vidorra.1", Dispatch::iid, first.put()), S_OK);
    ASSERT_EQ(createInstance(reg, "{7876E4A5-78B7-4020-B08F-C960A1ED54C9}", Dispatch::iid, second.put()), S_OK);
    ASSERT_EQ(createInstance(reg, "Strovix.Vidorra", Dispatch::iid, fresh.put()), S_OK);
    DispatchHost a(first.get()), b(second.get()), f(fresh.get());
    EXPECT_EQ(a.put("BackColor", Variant::color(0x00336699)), S_OK);
    EXPECT_EQ(a.put("AviFrame", 12), S_OK);
    EXPECT_EQ(a.put("DownloadPrefix", "cam7"), S_OK);
    auto persistA = first.query<PersistStream>();
    EXPECT_EQ(persistA->isDirty(), S_OK);
    std::vector<uint8_t> stream;
    ASSERT_EQ(persistA->save(stream, true), S_OK);
    EXPECT_EQ(persistA->isDirty(), S_FALSE);
    EXPECT_EQ(stream, (std::vector<uint8_t>{0x00, 0x03, 0x00, 0x00, 19, 0, 0x99, 0x66, 0x33, 0x00}));

    ASSERT_EQ(second.query<PersistStream>()->load(stream), S_OK);
    EXPECT_EQ(b.get("BackColor"), Variant::color(0x00336699));
    for (const MemberInfo& m : strovix::vidorraInterface().members) {
        if (!m.allows(InvokeKind::PropertyGet) || m.dispid == strovix::id(strovix::Dispid::BackColor))
            continue;
        EXPECT_EQ(b.get(std::string(m.name)), f.get(std::string(m.name))) << m.name;
    }
    // A damaged stream changes nothing.
    stream.resize(7);
    EXPECT_NE(fresh.query<PersistStream>()->load(stream), S_OK);
    EXPECT_EQ(f.get("BackColor"), Variant::color(0));
}

TEST_F(Registration, BackColorAsksTheContainerFirst)
{
    struct Site : HostSite {
        bool allow = false;
        std::vector<int32_t> changed;
        bool requestEdit(int32_t) override { return allow; }
        void onChanged(int32_t dispid) override { changed.push_back(dispid); }
    } site;
    ASSERT_EQ(registerLibrary(libraryPath()), S_OK);
    ComPtr<Dispatch> control;
    ASSERT_EQ(createInstance(Registry(dir.path()), "Strovix.Vidorra", Dispatch::iid, control.put()), S_OK);
    DispatchHost h(control.get());
    control.query<OleControl>()->setSite(&site);
    EXPECT_EQ(h.put("BackColor", Variant::color(5)), S_FALSE);
    EXPECT_EQ(control.query<PersistStream>()->isDirty(), S_FALSE);
    site.allow = true;
    EXPECT_EQ(h.put("BackColor", Variant::color(5)), S_OK);
    EXPECT_EQ(site.changed, std::vector<int32_t>{-501});
    control.query<OleControl>()->setSite(nullptr);
}

TEST(MemberTable, IdentifiersAndNamesAreUniqueAndInInterfaceOrder)
{
    const auto& members = strovix::vidorraInterface().members;
    ASSERT_EQ(members.size(), 84u);
    std::set<int32_t> ids;
    std::set<std::string> names;
    for (size_t i = 0; i < members.size(); ++i) {
        ids.insert(members[i].dispid);
        names.insert(std::string(members[i].name));
        if (i > 1) {
            EXPECT_EQ(members[i].dispid, members[i - 1].dispid + 1) << members[i].name;
        }
    }
    EXPECT_EQ(ids.size(), members.size());
    EXPECT_EQ(names.size(), members.size());
    // The zoom members come after the first 79, which keep their numbers.
    EXPECT_EQ(members[78].dispid, 78);
    EXPECT_EQ(members[78].name, "ServerAudio");
    const char* const zoom[] = {"Zoom", "ZoomMode", "ZoomIn", "ZoomOut", "ZoomOff"};
    for (size_t i = 0; i < 5; ++i) {
        const auto& m = members[79 + i];
        EXPECT_EQ(m.name, zoom[i]);
        EXPECT_EQ(m.dispid, int32_t(79 + i));
        EXPECT_EQ(m.isMethod(), i >= 2) << m.name;
        EXPECT_EQ(m.argCount, 0u) << m.name;
    }
    const auto& events = strovix::vidorraEventInterface().members;
    ASSERT_EQ(events.size(), 24u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(events[i].dispid, int32_t(i + 1));
}

TEST(VersionInfo, TheLibraryFileCarriesItsIdentityStrings)
{
    std::ifstream in(libraryPath(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (const char* s : {"FileVersion=1.0.1.5", "FileDescription=Strovix Module", "InternalName=Strovix",
                          "OriginalFilename=strovix.dll", "OLESelfRegister="})
        EXPECT_NE(bytes.find(s), std::string::npos) << s;
}

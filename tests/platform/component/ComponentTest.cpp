#include "platform/component/ClassFactory.h"
#include "platform/component/Creation.h"
#include "platform/component/Dispatch.h"
#include "platform/component/Events.h"
#include "platform/component/Persistence.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>

using namespace platform::component;
using platform::registry::Registry;
using platform::registry::Root;

namespace {

enum : int32_t { kColor = -501, kCount = 1, kName = 2, kAdd = 3, kSwap = 4 };

constexpr MemberInfo kMembers[] = {
    property(kColor, "BackColor", ArgType::Color, true, true),
    property(kCount, "Count", ArgType::I4, true, true),
    property(kName, "Name", ArgType::Bstr, true, false),
    method(kAdd, "Add", ArgInfo{"a", ArgType::I4}, ArgInfo{"b", ArgType::I4}, ArgInfo{"sum", ArgType::OutI4}),
    method(kSwap, "Refuse", ArgInfo{"text", ArgType::Bstr}),
};
constexpr InterfaceInfo kInterface{"ITest", Guid::fromString("{A9C68301-6C37-45A3-9F61-ABB954F833EE}"), "",
                                   false, kMembers};

// A small object with the shape of a control: counted, dispatchable.
class TestObject final : public DispatchImpl {
public:
    TestObject() { ModuleCount::objectCreated(); }
    HResult queryInterface(const Guid& iid, void** out) override
    {
        if (iid == Unknown::iid || iid == Dispatch::iid) {
            addRef();
            *out = static_cast<Dispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return m_refs.add(); }
    uint32_t release() override
    {
        const uint32_t n = m_refs.drop();
        if (n == 0)
            delete this;
        return n;
    }
    const InterfaceInfo& typeInfo() const override { return kInterface; }

    uint32_t color = 0x123456;
    int32_t count = 7;
    // Runs first in every member (a failure the member does not foresee).
    std::function<void()> beforeMember;

protected:
    HResult invokeMember(const MemberInfo& m, InvokeKind kind, std::vector<Variant>& args, Variant& result) override
    {
        if (beforeMember)
            beforeMember();
        switch (m.dispid) {
        case kColor:
            if (kind == InvokeKind::PropertyGet)
                result = Variant::color(color);
            else
                color = args[0].colorValue();
            return S_OK;
        case kCount:
            if (kind == InvokeKind::PropertyGet)
                result = count;
            else if (args[0].i4() < 0)
                return raiseError("Count is no less than 0", "Test.Object.1");
            else
                count = args[0].i4();
            return S_OK;
        case kName:
            result = "test";
            return S_OK;
        case kAdd:
            args[2] = args[0].i4() + args[1].i4();
            return S_OK;
        default:
            return raiseError("refused: " + args[0].text(), "Test.Object.1");
        }
    }

private:
    ~TestObject() override { ModuleCount::objectDestroyed(); }
    RefCount m_refs;
};

class RecordingSink final : public EventSink {
public:
    HResult queryInterface(const Guid&, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return ++refs; }
    uint32_t release() override { return --refs; }
    HResult invoke(int32_t dispid, const std::vector<Variant>& args) override
    {
        calls.emplace_back(dispid, args);
        if (onCall)
            onCall();
        return S_OK;
    }
    uint32_t refs = 1;
    std::vector<std::pair<int32_t, std::vector<Variant>>> calls;
    std::function<void()> onCall;
};

} // namespace

TEST(Guid, ParsesAndWritesTheRegistryForm)
{
    constexpr Guid g = Guid::fromString("{7876e4a5-78b7-4020-b08f-c960a1ed54c9}");
    EXPECT_EQ(g.toString(), "{7876E4A5-78B7-4020-B08F-C960A1ED54C9}");
    EXPECT_EQ(Guid::parse("7876E4A5-78B7-4020-B08F-C960A1ED54C9"), g);
    EXPECT_FALSE(Guid::parse("{7876E4A5-78B7-4020-B08F-C960A1ED54C}"));
    EXPECT_FALSE(Guid::parse("{7876E4A5-78B7-4020-B08F-C960A1ED54CX}"));
    EXPECT_FALSE(Guid::parse("Strovix.Vidorra"));
    EXPECT_TRUE(Guid{}.isNull());
    EXPECT_EQ(formatHResult(DISP_E_EXCEPTION), "0x80020009");
    EXPECT_EQ(formatHResult(S_FALSE), "1");
}

TEST(Variant, CoercesOnlyWhatConvertsExactly)
{
    EXPECT_EQ(Variant("  -42 ").convertedTo(Variant::Type::I4), Variant(-42));
    EXPECT_FALSE(Variant("12abc").convertedTo(Variant::Type::I4));
    EXPECT_FALSE(Variant("").convertedTo(Variant::Type::I4));
    EXPECT_FALSE(Variant("4294967296").convertedTo(Variant::Type::I4));
    EXPECT_EQ(Variant(255).convertedTo(Variant::Type::Color), Variant::color(255));
    EXPECT_EQ(Variant(-5).convertedTo(Variant::Type::Bstr), Variant("-5"));
    EXPECT_FALSE(Variant::null().convertedTo(Variant::Type::I4));
}

TEST(Dispatch, ChecksMembersKindsAndArgumentsFromTheTable)
{
    auto obj = ComPtr<Dispatch>::adopt(new TestObject);
    EXPECT_EQ(obj->idOfName("backcolor"), kColor);
    EXPECT_EQ(obj->idOfName("Nothing"), kDispidUnknown);

    std::vector<Variant> args;
    Variant out;
    EXPECT_EQ(obj->invoke(99, InvokeKind::PropertyGet, args, &out, nullptr), DISP_E_MEMBERNOTFOUND);
    args = {Variant("x")};
    EXPECT_EQ(obj->invoke(kName, InvokeKind::PropertyPut, args, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    args = {Variant("seven")};
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, nullptr), DISP_E_TYPEMISMATCH);
    args = {Variant(1)};
    EXPECT_EQ(obj->invoke(kAdd, InvokeKind::Method, args, nullptr, nullptr), DISP_E_BADPARAMCOUNT);

    args = {Variant("2"), Variant(3), Variant()};
    EXPECT_EQ(obj->invoke(kAdd, InvokeKind::Method, args, nullptr, nullptr), S_OK);
    EXPECT_EQ(args[2], Variant(5));

    // A text property value written as text converts by the member's type.
    args = {Variant("11")};
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, nullptr), S_OK);
    args.clear();
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyGet, args, &out, nullptr), S_OK);
    EXPECT_EQ(out, Variant(11));
}

TEST(Dispatch, RefusalLeavesErrorInformationForTheCallingThreadOnly)
{
    auto obj = ComPtr<Dispatch>::adopt(new TestObject);
    std::vector<Variant> args{Variant(-1)};
    ErrorInfo excep;
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, &excep), DISP_E_EXCEPTION);
    EXPECT_EQ(excep, (ErrorInfo{"Count is no less than 0", "Test.Object.1", Guid{}}));
    std::thread([] { EXPECT_FALSE(takeErrorInfo()); }).join();
    EXPECT_EQ(takeErrorInfo(), excep);
    EXPECT_FALSE(takeErrorInfo());

    // A later call that succeeds starts with no stale error information.
    setErrorInfo({"stale", "x", {}});
    args = {Variant(1)};
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, nullptr), S_OK);
    EXPECT_FALSE(peekErrorInfo());
}

TEST(Dispatch, NothingAMemberThrowsLeavesInvoke)
{
    auto object = new TestObject;
    auto obj = ComPtr<Dispatch>::adopt(object);
    std::vector<Variant> args{Variant(3)};
    ErrorInfo excep;

    // Out of memory: the caller learns so, and nothing was changed.
    object->beforeMember = [] { throw std::bad_alloc(); };
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, &excep), E_OUTOFMEMORY);
    EXPECT_EQ(object->count, 7);

    // Anything else is a refusal with error information, like the member's own.
    object->beforeMember = [] { throw std::runtime_error("disk on fire"); };
    args = {Variant(3)};
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyPut, args, nullptr, &excep), DISP_E_EXCEPTION);
    EXPECT_EQ(excep, (ErrorInfo{std::string(DispatchImpl::kInternalFailure), "ITest", Guid{}}));
    EXPECT_EQ(takeErrorInfo(), excep);
    object->beforeMember = [] { throw 42; };
    args.clear();
    Variant out;
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyGet, args, &out, nullptr), DISP_E_EXCEPTION);

    // The object works on afterwards.
    object->beforeMember = nullptr;
    EXPECT_EQ(obj->invoke(kCount, InvokeKind::PropertyGet, args, &out, nullptr), S_OK);
    EXPECT_EQ(out, Variant(7));
}

TEST(ConnectionPoint, SinksCanLeaveDuringAnEventAndOtherThreadsCannotFire)
{
    RecordingSink a, b;
    uint32_t ca = 0, cb = 0;
    {
        ConnectionPoint cp(Guid::fromString("{D713D6EE-2B6E-4836-A002-2D2F5CEB4D7D}"));
        ASSERT_EQ(cp.advise(&a, &ca), S_OK);
        ASSERT_EQ(cp.advise(&b, &cb), S_OK);
        EXPECT_NE(ca, cb);
        EXPECT_EQ(a.refs, 2u);
        a.onCall = [&] { cp.unadvise(cb); };
        EXPECT_EQ(cp.fire(8, {Variant(4)}), S_OK);
        ASSERT_EQ(a.calls.size(), 1u);
        EXPECT_EQ(a.calls[0].second, std::vector<Variant>{Variant(4)});
        EXPECT_TRUE(b.calls.empty()); // disconnected before its turn
        EXPECT_EQ(b.refs, 1u);
        EXPECT_EQ(cp.unadvise(cb), CONNECT_E_NOCONNECTION);

        HResult offThread = S_OK;
        std::thread([&] { offThread = cp.fire(8, {}); }).join();
        EXPECT_EQ(offThread, E_UNEXPECTED);
        EXPECT_EQ(a.calls.size(), 1u);
    }
    EXPECT_EQ(a.refs, 1u); // released with the connection point
}

TEST(PropertyStream, RoundTripsAndRefusesDamagedStreamsWithoutChanges)
{
    auto obj = ComPtr<Dispatch>::adopt(new TestObject);
    auto* raw = static_cast<TestObject*>(obj.get());
    const int32_t map[] = {kColor, kCount};
    std::vector<uint8_t> saved;
    ASSERT_EQ(savePropertyStream(*obj, map, saved), S_OK);
    const std::vector<uint8_t> expected{0x00, 0x03, 0, 0, 19, 0, 0x56, 0x34, 0x12, 0, 3, 0, 7, 0, 0, 0};
    EXPECT_EQ(saved, expected);

    raw->color = 0;
    raw->count = 0;
    auto truncated = saved;
    truncated.pop_back();
    EXPECT_EQ(loadPropertyStream(*obj, map, truncated), STG_E_READFAULT);
    auto otherVersion = saved;
    otherVersion[1] = 2;
    EXPECT_EQ(loadPropertyStream(*obj, map, otherVersion), STG_E_OLDFORMAT);
    auto badType = saved;
    badType[4] = 77;
    EXPECT_EQ(loadPropertyStream(*obj, map, badType), STG_E_READFAULT);
    EXPECT_EQ(raw->color, 0u);
    EXPECT_EQ(loadPropertyStream(*obj, map, saved), S_OK);
    EXPECT_EQ(raw->color, 0x123456u);
    EXPECT_EQ(raw->count, 7);
}

// A class whose construction fails the way a real one can.
template <class Failure> class FailingObject final : public Unknown {
public:
    FailingObject() { throw Failure(); }
    HResult queryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 0; }
};

TEST(ClassFactory, AConstructorThatThrowsIsAFailedCreation)
{
    void* out = &out;
    ClassFactoryOf<FailingObject<std::bad_alloc>> outOfMemory;
    EXPECT_EQ(outOfMemory.createInstance(nullptr, Unknown::iid, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    ClassFactoryOf<FailingObject<int>> broken;
    EXPECT_EQ(broken.createInstance(nullptr, Unknown::iid, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(exceptionBarrier(E_UNEXPECTED, []() -> HResult { throw std::out_of_range("x"); }), E_UNEXPECTED);
    EXPECT_EQ(exceptionBarrier(E_UNEXPECTED, [] { return S_FALSE; }), S_FALSE);
}

TEST(ClassFactory, CountsLiveObjectsAndLocks)
{
    ClassFactoryOf<TestObject> factory;
    const long before = ModuleCount::objects();
    Dispatch* d = nullptr;
    EXPECT_EQ(factory.createInstance(reinterpret_cast<Unknown*>(&factory), Dispatch::iid, reinterpret_cast<void**>(&d)),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory.createInstance(nullptr, Dispatch::iid, reinterpret_cast<void**>(&d)), S_OK);
    EXPECT_EQ(ModuleCount::objects(), before + 1);
    EXPECT_FALSE(ModuleCount::canUnload());
    d->release();
    EXPECT_EQ(ModuleCount::objects(), before);
    void* none = &factory;
    EXPECT_EQ(factory.createInstance(nullptr, EventSink::iid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ModuleCount::objects(), before);
    factory.lockServer(true);
    EXPECT_FALSE(ModuleCount::canUnload());
    factory.lockServer(false);
    EXPECT_TRUE(ModuleCount::canUnload());
}

TEST(Creation, FindsClassesThroughTheRegistryAndReportsWhatIsMissing)
{
    TempDir dir;
    Registry reg(dir.path());
    const std::string clsid = "{7876E4A5-78B7-4020-B08F-C960A1ED54C9}";
    reg.setString(Root::ClassesRoot, "Test.Object.1\\CLSID", "", clsid);
    reg.setString(Root::ClassesRoot, "Test.Object\\CurVer", "", "Test.Object.1");
    EXPECT_EQ(clsidFromProgId(reg, "test.object")->toString(), clsid);
    EXPECT_FALSE(clsidFromProgId(reg, "Other.Object"));

    void* out = nullptr;
    EXPECT_EQ(createInstance(reg, "Other.Object", Dispatch::iid, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(createInstance(reg, "Test.Object", Dispatch::iid, &out), REGDB_E_CLASSNOTREG);
    reg.setString(Root::ClassesRoot, "CLSID\\" + clsid + "\\InprocServer32", "", dir.file("missing.so"));
    EXPECT_EQ(createInstance(reg, "Test.Object", Dispatch::iid, &out), CO_E_DLLNOTFOUND);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(lastLoadError().empty());
}

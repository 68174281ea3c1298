// Arbitrary bytes as a saved property stream: a load either applies a whole
// stream or, when the stream is damaged or of another version, changes
// nothing; what loaded saves back to a stream that loads to the same values.
#include "platform/component/Dispatch.h"
#include "platform/component/Persistence.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

using namespace platform::component;

namespace {

enum : int32_t { kBackColor = -501, kLayout = 1, kUrl = 2, kRate = 3 };

constexpr MemberInfo kMembers[] = {
    property(kBackColor, "BackColor", ArgType::Color, true, true),
    property(kLayout, "Layout", ArgType::I4, true, true),
    property(kUrl, "URL", ArgType::Bstr, true, true),
    property(kRate, "Rate", ArgType::I4, true, true),
};
constexpr InterfaceInfo kInterface{"IFuzz", Guid::fromString("{5E0B7C3A-1D44-4F6B-9A1E-2C8D3F4A5B61}"), "", false,
                                   kMembers};
constexpr std::array<int32_t, 4> kPropertyMap{kBackColor, kLayout, kUrl, kRate};

// Four persisted properties; Layout refuses values outside 0..3 the way a
// control refuses a bad put.
class Properties final : public DispatchImpl {
public:
    HResult queryInterface(const Guid&, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }
    const InterfaceInfo& typeInfo() const override { return kInterface; }

    bool operator==(const Properties& o) const
    {
        return color == o.color && layout == o.layout && url == o.url && rate == o.rate;
    }

    uint32_t color = 0x00FFFFFF;
    int32_t layout = 1;
    std::string url = "http://127.0.0.1:80";
    int32_t rate = 30;

protected:
    HResult invokeMember(const MemberInfo& m, InvokeKind kind, std::vector<Variant>& args, Variant& result) override
    {
        const bool get = kind == InvokeKind::PropertyGet;
        switch (m.dispid) {
        case kBackColor:
            get ? void(result = Variant::color(color)) : void(color = args[0].colorValue());
            return S_OK;
        case kLayout:
            if (get) {
                result = layout;
                return S_OK;
            }
            if (args[0].i4() < 0 || args[0].i4() > 3)
                return E_INVALIDARG;
            layout = args[0].i4();
            return S_OK;
        case kUrl:
            get ? void(result = url) : void(url = args[0].text());
            return S_OK;
        default:
            get ? void(result = rate) : void(rate = args[0].i4());
            return S_OK;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Properties object;
    const Properties before = object;
    const HResult hr = loadPropertyStream(object, kPropertyMap, std::span<const uint8_t>(data, size));
    if ((hr == STG_E_READFAULT || hr == STG_E_OLDFORMAT) && !(object == before))
        std::abort();
    if (hr != S_OK)
        return 0;

    std::vector<uint8_t> saved;
    if (savePropertyStream(object, kPropertyMap, saved) != S_OK)
        std::abort();
    Properties copy;
    copy.layout = 0;
    copy.url.clear();
    if (loadPropertyStream(copy, kPropertyMap, saved) != S_OK || !(copy == object))
        std::abort();
    return 0;
}

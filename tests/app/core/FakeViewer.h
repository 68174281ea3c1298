#pragma once

// A viewer control for unit tests: the members the application uses, under
// dispatch identifiers of its own (so a host that compiled numbers in would
// miss them), with every property write and method call logged in order.

#include "platform/component/Dispatch.h"

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class FakeViewer final : public platform::component::DispatchImpl {
public:
    using Variant = platform::component::Variant;
    using HResult = platform::component::HResult;

    // Property writes read "Name=value", calls "Name(a,b)"; texts are bare,
    // colours hexadecimal.
    std::vector<std::string> log;
    std::map<std::string, Variant> values;
    // Property writes answered with another result than S_OK (logged, not stored).
    std::map<std::string, HResult> refusals;

    static platform::component::ComPtr<platform::component::Dispatch> make(FakeViewer** raw = nullptr)
    {
        auto* viewer = new FakeViewer;
        if (raw)
            *raw = viewer;
        return platform::component::ComPtr<platform::component::Dispatch>::adopt(viewer);
    }

    int32_t i4(const std::string& name) const
    {
        auto it = values.find(name);
        return it == values.end() ? 0 : it->second.i4();
    }
    std::string text(const std::string& name) const
    {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second.text();
    }
    int count(const std::string& entry) const
    {
        int n = 0;
        for (const auto& line : log)
            n += line == entry;
        return n;
    }

    const platform::component::InterfaceInfo& typeInfo() const override { return m_info; }

    HResult queryInterface(const platform::component::Guid& iid, void** out) override
    {
        using namespace platform::component;
        if (iid == Unknown::iid || iid == Dispatch::iid) {
            *out = static_cast<Dispatch*>(this);
            addRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return m_refs.add(); }
    uint32_t release() override
    {
        const uint32_t left = m_refs.drop();
        if (left == 0)
            delete this;
        return left;
    }

protected:
    HResult invokeMember(const platform::component::MemberInfo& member, platform::component::InvokeKind kind,
                         std::vector<Variant>& args, Variant& result) override
    {
        using platform::component::InvokeKind;
        const std::string name(member.name);
        if (kind == InvokeKind::PropertyGet) {
            result = values.count(name) ? values[name] : Variant(0);
            return platform::component::S_OK;
        }
        if (kind == InvokeKind::PropertyPut) {
            log.push_back(name + "=" + format(args[0]));
            if (auto refused = refusals.find(name); refused != refusals.end())
                return refused->second;
            values[name] = args[0];
            return platform::component::S_OK;
        }
        std::string line = name + "(";
        for (size_t i = 0; i < args.size(); ++i)
            line += (i ? "," : "") + format(args[i]);
        log.push_back(line + ")");
        return platform::component::S_OK;
    }

private:
    ~FakeViewer() override = default;

    static std::string format(const Variant& v)
    {
        if (v.type() == Variant::Type::Bstr)
            return v.text();
        if (v.type() == Variant::Type::Color) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%06X", v.colorValue());
            return hex;
        }
        return std::to_string(v.i4());
    }

    static constexpr std::array kMembers = [] {
        using namespace platform::component;
        return std::array{
            property(201, "BackColor", ArgType::Color, true, true),
            property(202, "URL", ArgType::Bstr, true, true),
            property(203, "ReconnectTryNum", ArgType::I4, true, true),
            property(204, "DownloadNum", ArgType::I4, true, true),
            property(205, "Rotate", ArgType::I4, true, true),
            property(206, "DownloadPath", ArgType::Bstr, true, true),
            property(207, "DownloadPrefix", ArgType::Bstr, true, true),
            property(208, "AviFrame", ArgType::I4, true, true),
            property(209, "AviPath", ArgType::Bstr, true, true),
            property(210, "Download", ArgType::I4, true, true),
            property(211, "JpgNumInAvi", ArgType::I4, true, true),
            property(212, "AviPre", ArgType::Bstr, true, true),
            method(213, "GetTime"),
            property(214, "Avi", ArgType::I4, true, true),
            property(215, "ShowText", ArgType::I4, true, true),
            property(216, "DownType", ArgType::I4, true, true),
            property(217, "DownAviType", ArgType::I4, true, true),
            property(218, "Audio", ArgType::I4, true, true),
            method(219, "DelMenu", ArgInfo{"menu", ArgType::I4}, ArgInfo{"submenu", ArgType::I4}),
            property(220, "FontColor", ArgType::Color, true, true),
            property(221, "StatusBarCtrl", ArgType::I4, true, true),
            property(222, "MotionDetect", ArgType::I4, true, true),
            property(223, "Zoom", ArgType::I4, true, true),
            property(224, "ZoomMode", ArgType::I4, true, true),
            method(225, "ZoomIn"),
            method(226, "ZoomOut"),
            method(227, "ZoomOff"),
        };
    }();

    platform::component::RefCount m_refs;
    platform::component::InterfaceInfo m_info{"IFakeViewer", platform::component::Guid{}, "", false, kMembers};
};

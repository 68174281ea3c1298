#pragma once

#include "platform/component/Dispatch.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Drives a control by member name through its dispatch interface, as a host does.
struct DispatchHost {
    using Variant = platform::component::Variant;
    using HResult = platform::component::HResult;

    DispatchHost() = default;
    explicit DispatchHost(platform::component::Dispatch* dispatch) : d(dispatch) { }

    platform::component::Dispatch* d = nullptr;
    platform::component::ErrorInfo lastError;

    int32_t idOf(const std::string& name) const
    {
        const int32_t id = d->idOfName(name);
        EXPECT_NE(id, platform::component::kDispidUnknown) << name;
        return id;
    }
    HResult put(const std::string& name, Variant v)
    {
        std::vector<Variant> args{std::move(v)};
        lastError = {};
        return d->invoke(idOf(name), platform::component::InvokeKind::PropertyPut, args, nullptr, &lastError);
    }
    Variant get(const std::string& name)
    {
        std::vector<Variant> none;
        Variant out;
        EXPECT_EQ(d->invoke(idOf(name), platform::component::InvokeKind::PropertyGet, none, &out, nullptr), 0)
            << name;
        return out;
    }
    HResult call(const std::string& name, std::vector<Variant>& args)
    {
        lastError = {};
        return d->invoke(idOf(name), platform::component::InvokeKind::Method, args, nullptr, &lastError);
    }
    HResult call(const std::string& name, std::vector<Variant>&& args) { return call(name, args); }
};

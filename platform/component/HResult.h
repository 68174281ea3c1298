#pragma once

#include <cstdint>
#include <string>

// Result codes of the component layer, with the platform's values: hosts and
// the control compare them as numbers.
namespace platform::component {

using HResult = int32_t;

constexpr HResult hresult(uint32_t bits) { return static_cast<HResult>(bits); }

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOINTERFACE = hresult(0x80004002);
constexpr HResult E_POINTER = hresult(0x80004003);
constexpr HResult E_FAIL = hresult(0x80004005);
constexpr HResult E_OUTOFMEMORY = hresult(0x8007000E);
constexpr HResult E_UNEXPECTED = hresult(0x8000FFFF);
constexpr HResult E_INVALIDARG = hresult(0x80070057);
constexpr HResult DISP_E_MEMBERNOTFOUND = hresult(0x80020003);
constexpr HResult DISP_E_TYPEMISMATCH = hresult(0x80020005);
constexpr HResult DISP_E_UNKNOWNNAME = hresult(0x80020006);
constexpr HResult DISP_E_EXCEPTION = hresult(0x80020009);
constexpr HResult DISP_E_BADPARAMCOUNT = hresult(0x8002000E);
constexpr HResult CLASS_E_NOAGGREGATION = hresult(0x80040110);
constexpr HResult CLASS_E_CLASSNOTAVAILABLE = hresult(0x80040111);
constexpr HResult REGDB_E_CLASSNOTREG = hresult(0x80040154);
constexpr HResult CONNECT_E_NOCONNECTION = hresult(0x80040200);
constexpr HResult CONNECT_E_ADVISELIMIT = hresult(0x80040201);
constexpr HResult SELFREG_E_TYPELIB = hresult(0x80040200);
constexpr HResult SELFREG_E_CLASS = hresult(0x80040201);
constexpr HResult STG_E_READFAULT = hresult(0x8003001E);
constexpr HResult STG_E_OLDFORMAT = hresult(0x80030104);
constexpr HResult CO_E_DLLNOTFOUND = hresult(0x8004F005);
constexpr HResult CO_E_ERRORINDLL = hresult(0x800401F9);

constexpr bool succeeded(HResult hr) { return hr >= 0; }
constexpr bool failed(HResult hr) { return hr < 0; }

// "0", "1" or "0x80020009": how results are written for people.
std::string formatHResult(HResult hr);

} // namespace platform::component

#pragma once

#include "platform/component/Guid.h"

#include <string_view>

// Who the control is: class, interfaces, type library and the identity
// strings of the library file.
namespace strovix {

using platform::component::Guid;

inline constexpr Guid kClsidVidorra = Guid::fromString("{7876E4A5-78B7-4020-B08F-C960A1ED54C9}");
inline constexpr Guid kIidIVidorra = Guid::fromString("{0BA3D4A1-E90B-400D-B513-FF0957184E15}");
inline constexpr Guid kIidIVidorraEvents = Guid::fromString("{3712AE1F-2700-45FC-BBFB-9B16706AE142}");
inline constexpr Guid kLibidStrovix = Guid::fromString("{376FEA98-4939-4CDA-80ED-3DFA5F5107C7}");
// The standard colour property page that edits BackColor.
inline constexpr Guid kClsidStockColorPage = Guid::fromString("{7EBDAAE1-8120-11CF-899F-00AA00688B10}");

inline constexpr std::string_view kProgId = "Strovix.Vidorra.1";
inline constexpr std::string_view kVersionIndependentProgId = "Strovix.Vidorra";
inline constexpr std::string_view kClassDescription = "Vidorra Class";
inline constexpr std::string_view kTypeLibName = "STROVIXLib";
inline constexpr std::string_view kTypeLibHelp = "Strovix 1.0 Type Library";

// Version information of the library file.
inline constexpr std::string_view kFileVersion = "1.0.1.5";
inline constexpr std::string_view kProductVersion = "1.0.1.5";
inline constexpr std::string_view kFileDescription = "Strovix Module";
inline constexpr std::string_view kProductName = "Strovix Module";
inline constexpr std::string_view kInternalName = "Strovix";
inline constexpr std::string_view kOriginalFileName = "strovix.dll";
inline constexpr std::string_view kProjectName = "Strovix"; // string resource 100
inline constexpr std::string_view kAboutText = "\n   Vidorra Server Push \n          ( self-decoder )\n            Version v1.0\n \t";

} // namespace strovix

#pragma once

#include "platform/component/Dispatch.h"

#include <string>

// Creation of the viewer controls through the component layer: by ProgID,
// looked up in the registry, with the library's class factory.
namespace host {

inline constexpr char kViewerProgId[] = "Strovix.Vidorra";

// The control library installed beside the program: <program folder>/libstrovix.so.N
// (or libstrovix.so) in the build tree, the library in the program's private
// folder (<prefix>/lib/<multiarch>/oculon) in an installed tree. The first that exists;
// the first candidate when none does.
std::string installedControlLibrary();

// Creates one viewer control. When the class is registered with another
// library than `library` and `library` exists, `library` is registered first
// (into the per-user registry the lookup reads): a program uses the control
// installed with it, whatever another installation registered. When the
// class is not registered, or is registered with a library that cannot be
// loaded, `library` is registered and the creation is tried once more.
// Returns the creation's result; `out` holds the control on success.
platform::component::HResult createViewer(const std::string& library,
                                          platform::component::ComPtr<platform::component::Dispatch>& out);

// Why creating a viewer failed with `hr`, in words for the operator: an
// unreadable registry file with its reason, the loader's own message, or the
// result number. GUI thread, right after the failed creation.
std::string viewerCreationCause(platform::component::HResult hr);

} // namespace host

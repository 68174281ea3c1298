// The sound output serialises PortAudio under one lock, which must exist
// once in a process that hosts controls and plays sound itself. The control's
// library must therefore take the media library as a shared dependency, the
// same object the application links, never a copy of its own. This program
// does not link the media library, so whatever maps it is the control's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <string>

namespace {

int mappedMediaLibraries()
{
    int count = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            const std::string wanted = "/" MEDIA_LIBRARY;
            if (name.size() >= wanted.size() && name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0)
                ++*static_cast<int*>(data);
            return 0;
        },
        &count);
    return count;
}

TEST(MediaLibrary, TheControlLibraryBringsTheOneSharedCopy)
{
    const std::string bin = std::getenv("OCULON_BUILD_BIN");
    ASSERT_EQ(mappedMediaLibraries(), 0);
    void* control = ::dlopen((bin + "/" CONTROL_LIBRARY).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(control) << ::dlerror();
    EXPECT_EQ(mappedMediaLibraries(), 1);
    // What the application links by name is that same object.
    void* media = ::dlopen(MEDIA_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_TRUE(media) << ::dlerror();
    void* direct = ::dlopen((bin + "/" MEDIA_LIBRARY).c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(direct, media);
    EXPECT_EQ(mappedMediaLibraries(), 1);
    ::dlclose(direct);
    ::dlclose(media);
}

} // namespace

#include "platform/registry/Registry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace platform::registry;

namespace {
const std::string kClass = "CLSID\\{7876E4A5-78B7-4020-B08F-C960A1ED54C9}";

void writeClassKeys(Registry& reg)
{
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, kClass, "", "Vidorra Class"));
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, kClass + "\\InprocServer32", "", "/opt/lib/libstrovix.so"));
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, kClass + "\\InprocServer32", "ThreadingModel", "Apartment"));
    ASSERT_TRUE(reg.createKey(Root::ClassesRoot, kClass + "\\Programmable"));
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, kClass + "\\MiscStatus\\1", "", "131473"));
}
} // namespace

TEST(Registry, ValuesRoundTripWithTheirTypes)
{
    TempDir dir;
    Registry reg(dir.path() + "/nested/strovix");
    const std::string inet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    ASSERT_TRUE(reg.setDword(Root::CurrentUser, inet, "MaxConnectionsPerServer", 32));
    ASSERT_TRUE(reg.setString(Root::CurrentUser, inet, "Padded", "  blanks kept  "));
    EXPECT_EQ(reg.query(Root::CurrentUser, inet, "maxconnectionsperserver"),
              (Value{Value::Type::Dword, {}, 32}));
    EXPECT_EQ(reg.queryString(Root::CurrentUser, inet, "Padded"), "  blanks kept  ");
    EXPECT_EQ(reg.queryString(Root::CurrentUser, inet, "MaxConnectionsPerServer"), std::nullopt);
    EXPECT_FALSE(reg.query(Root::ClassesRoot, inet, "MaxConnectionsPerServer")); // other root
    // Parents exist once a child was written; paths compare without case.
    EXPECT_TRUE(reg.keyExists(Root::CurrentUser, "SOFTWARE\\microsoft"));
    EXPECT_TRUE(reg.deleteValue(Root::CurrentUser, inet, "Padded"));
    EXPECT_FALSE(reg.query(Root::CurrentUser, inet, "Padded"));
}

TEST(Registry, WritingTheSameKeySetTwiceLeavesOneSet)
{
    TempDir dir;
    Registry reg(dir.path());
    writeClassKeys(reg);
    const std::string once = dir.read("HKEY_CLASSES_ROOT.ini");
    writeClassKeys(reg);
    EXPECT_EQ(dir.read("HKEY_CLASSES_ROOT.ini"), once);
    EXPECT_EQ(reg.subkeys(Root::ClassesRoot, kClass),
              (std::vector<std::string>{"InprocServer32", "Programmable", "MiscStatus"}));
    EXPECT_EQ(reg.valueNames(Root::ClassesRoot, kClass + "\\InprocServer32"),
              (std::vector<std::string>{"", "ThreadingModel"}));
}

TEST(Registry, DeletingATreeKeepsItsParentAndSiblings)
{
    TempDir dir;
    Registry reg(dir.path());
    writeClassKeys(reg);
    const std::string sibling = "CLSID\\{00000000-0000-0000-0000-000000000001}";
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, sibling, "", "Other"));
    // A key whose name only starts like the deleted one is a sibling too.
    ASSERT_TRUE(reg.setString(Root::ClassesRoot, kClass + "X", "", "Lookalike"));

    ASSERT_TRUE(reg.deleteTree(Root::ClassesRoot, kClass));
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, kClass));
    EXPECT_FALSE(reg.keyExists(Root::ClassesRoot, kClass + "\\MiscStatus\\1"));
    EXPECT_TRUE(reg.keyExists(Root::ClassesRoot, "CLSID"));
    EXPECT_EQ(reg.queryString(Root::ClassesRoot, sibling, ""), "Other");
    EXPECT_EQ(reg.queryString(Root::ClassesRoot, kClass + "X", ""), "Lookalike");
    EXPECT_TRUE(reg.deleteTree(Root::ClassesRoot, kClass)); // already gone
}

TEST(Registry, FolderComesFromTheEnvironment)
{
    ::setenv("STROVIX_REGISTRY", "/tmp/reg-here", 1);
    EXPECT_EQ(Registry::defaultFolder(), "/tmp/reg-here");
    ::unsetenv("STROVIX_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(Registry::defaultFolder(), "/tmp/xdg/strovix");
}

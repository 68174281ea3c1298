#include "platform/fs/AtomicFile.h"
#include "platform/ini/IniFile.h"
#include "support/OrdinaryUser.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <vector>

using namespace platform::ini;
namespace fs = std::filesystem;

TEST(IniRead, MissingFileSectionOrKeyGiveTheDefault)
{
    TempDir dir;
    const auto f = dir.file("absent.ini");
    EXPECT_EQ(readString(f, "App", "PANEL_LAYOUT", "default"), "default");
    EXPECT_EQ(readInt(f, "App", "VIEWER_LAYOUT", 16), 16);

    dir.write("c.ini", "[App]\nSET_PERCENT=7\n");
    EXPECT_EQ(readInt(dir.file("c.ini"), "Camera1", "PORT", 80), 80);
    EXPECT_EQ(readInt(dir.file("c.ini"), "App", "SET_LINE_NUM", 30), 30);
    EXPECT_EQ(readInt(dir.file("c.ini"), "App", "SET_PERCENT", 5), 7);
}

TEST(IniRead, StringValuesAreTrimmedUnquotedAndCut)
{
    TempDir dir;
    const std::string longValue(300, 'x');
    dir.write("c.ini", "[Camera1]\n"
                       "DISPLAY_LOCATION=" + longValue + "\n"
                       "IP =  10.0.0.5  \n"
                       "Q1=\"  spaced  \"\n"
                       "Q2='single'\n"
                       "Q3=\"unmatched'\n"
                       "EMPTY=\n");
    const auto f = dir.file("c.ini");
    EXPECT_EQ(readString(f, "Camera1", "DISPLAY_LOCATION", ""), std::string(254, 'x'));
    EXPECT_EQ(readString(f, "Camera1", "DISPLAY_LOCATION", "", 11), std::string(10, 'x'));
    EXPECT_EQ(readString(f, "Camera1", "IP", ""), "10.0.0.5");
    EXPECT_EQ(readString(f, "Camera1", "Q1", ""), "  spaced  ");
    EXPECT_EQ(readString(f, "Camera1", "Q2", ""), "single");
    EXPECT_EQ(readString(f, "Camera1", "Q3", ""), "\"unmatched'");
    EXPECT_EQ(readString(f, "Camera1", "EMPTY", "dflt"), "");
    // A cut never splits a UTF-8 sequence.
    dir.write("u.ini", "[S]\nK=" + std::string(253, 'a') + "\xC3\xA9z\n");
    EXPECT_EQ(readString(dir.file("u.ini"), "S", "K", ""), std::string(253, 'a'));
}

TEST(IniRead, IntegersTakeTheLeadingDecimalNumber)
{
    TempDir dir;
    dir.write("c.ini", "[App]\nA=12abc\nB=abc\nC=-7\nD=\nE=  42 \nF=99999999999\nG=-\nH=0x10\n");
    const auto f = dir.file("c.ini");
    EXPECT_EQ(readInt(f, "App", "A", 5), 12);
    EXPECT_EQ(readInt(f, "App", "B", 5), 0);
    EXPECT_EQ(readInt(f, "App", "C", 5), -7);
    EXPECT_EQ(readInt(f, "App", "D", 5), 0);
    EXPECT_EQ(readInt(f, "App", "E", 5), 42);
    EXPECT_EQ(readInt(f, "App", "F", 5), INT32_MAX);
    EXPECT_EQ(readInt(f, "App", "G", 5), 0);
    EXPECT_EQ(readInt(f, "App", "H", 5), 0);
    EXPECT_EQ(readInt(f, "App", "MISSING", 5), 5);
}

TEST(IniRead, NamesMatchWithoutRegardToCaseAndCrLfFilesRead)
{
    TempDir dir;
    dir.write("c.ini", "; settings\r\n[camera3]\r\nrec_path=/rec/cam3\r\n");
    const auto f = dir.file("c.ini");
    EXPECT_EQ(readString(f, "Camera3", "REC_PATH", ""), "/rec/cam3");
    EXPECT_EQ(readString(f, "CAMERA3", "Rec_Path", ""), "/rec/cam3");
    EXPECT_EQ(sections(f), std::vector<std::string>{"camera3"});
    EXPECT_EQ(keys(f, "CAMERA3"), std::vector<std::string>{"rec_path"});
}

TEST(IniWrite, CreatesFileSectionAndKey)
{
    TempDir dir;
    const auto f = dir.file("new.ini");
    ASSERT_TRUE(writeString(f, "App", "VIEWER_LAYOUT", "16"));
    ASSERT_TRUE(writeString(f, "App", "PANEL_LAYOUT", "default"));
    ASSERT_TRUE(writeString(f, "Camera1", "PORT", "80"));
    EXPECT_EQ(dir.read("new.ini"), "[App]\nVIEWER_LAYOUT=16\nPANEL_LAYOUT=default\n[Camera1]\nPORT=80\n");
}

TEST(IniWrite, RewritingOneKeyKeepsEverythingElseByteForByte)
{
    TempDir dir;
    const std::string before = "; oculon settings\n"
                               "[App]\n"
                               "VIEWER_LAYOUT=4\n"
                               "  ; a note the operator left\n"
                               "SET_PERCENT = 5\n"
                               "\n"
                               "[Camera1]\n"
                               "IP=10.1.1.1\n";
    dir.write("c.ini", before);
    const auto f = dir.file("c.ini");
    ASSERT_TRUE(writeString(f, "app", "viewer_layout", "9"));
    std::string expected = before;
    expected.replace(expected.find("VIEWER_LAYOUT=4"), 15, "VIEWER_LAYOUT=9");
    EXPECT_EQ(dir.read("c.ini"), expected);

    // A new key joins its own section, before the blank line that ends it.
    ASSERT_TRUE(writeString(f, "App", "SET_LINE_NUM", "30"));
    EXPECT_EQ(readInt(f, "App", "SET_LINE_NUM", 0), 30);
    EXPECT_NE(dir.read("c.ini").find("SET_PERCENT = 5\nSET_LINE_NUM=30\n\n[Camera1]"), std::string::npos);

    // A "\r\n" file keeps its line ends.
    dir.write("w.ini", "[A]\r\nX=1\r\nY=2\r\n");
    ASSERT_TRUE(writeString(dir.file("w.ini"), "A", "X", "3"));
    EXPECT_EQ(dir.read("w.ini"), "[A]\r\nX=3\r\nY=2\r\n");
}

TEST(IniWrite, DeletesAndListsKeysAndSections)
{
    TempDir dir;
    dir.write("c.ini", "[A]\nX=1\nY=2\n[B]\nZ=3\n");
    const auto f = dir.file("c.ini");
    ASSERT_TRUE(deleteKey(f, "a", "x"));
    EXPECT_EQ(keys(f, "A"), std::vector<std::string>{"Y"});
    ASSERT_TRUE(deleteSection(f, "A"));
    EXPECT_EQ(sections(f), std::vector<std::string>{"B"});
    EXPECT_EQ(dir.read("c.ini"), "[B]\nZ=3\n");
    EXPECT_TRUE(deleteKey(f, "NoSuch", "K")); // nothing to do is no failure
}

TEST(IniWrite, RefusesValuesThatWouldBreakTheFile)
{
    TempDir dir;
    const auto f = dir.file("c.ini");
    EXPECT_FALSE(writeString(f, "A", "K", "two\nlines"));
    EXPECT_FALSE(writeString(f, "A", "K=", "v"));
    EXPECT_FALSE(writeString(f, "", "K", "v"));
}

TEST(IniWrite, AFailedWriteLeavesThePreviousFileWhole)
{
    TempDir dir;
    const std::string before = "[App]\nVIEWER_LAYOUT=4\nSET_PERCENT=5\n";
    dir.write("c.ini", before);
    const auto f = dir.file("c.ini");
    platform::fs::injectWriteFailureAfter(10); // the disk fills up half way
    EXPECT_FALSE(writeString(f, "App", "VIEWER_LAYOUT", "9"));
    platform::fs::injectWriteFailureAfter(-1);
    EXPECT_EQ(dir.read("c.ini"), before);
    EXPECT_EQ(readInt(f, "App", "VIEWER_LAYOUT", 0), 4);
    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(IniWrite, ByteOrderMarksAtTheStartSurviveARoundTrip)
{
    // The first mark is the file's own; a second one belongs to the first
    // line, which therefore is no section header, now or after a write.
    const std::string text = "\xEF\xBB\xBF\xEF\xBB\xBF[eMap]\nPic=a\n[Other]\nk=1\n";
    IniDocument doc = IniDocument::parse(text);
    EXPECT_EQ(doc.text(), text);
    EXPECT_FALSE(doc.hasSection("eMap"));
    doc.setValue("eMap", "Pos", "3");
    const IniDocument again = IniDocument::parse(doc.text());
    EXPECT_EQ(again.rawValue("eMap", "Pos"), "3");
    EXPECT_EQ(again.rawValue("Other", "k"), "1");
    EXPECT_EQ(again.text(), doc.text());
}

// A settings file that is there but cannot be read reads as empty, and no
// write replaces it: the operator's file waits to be mended.
TEST(IniRefusal, AFileThatCannotBeReadIsNeverWrittenOver)
{
    TempDir dir;
    clearRefusals();
    std::vector<std::string> reported;
    setRefusalReporter([&](const std::string& file, const std::string&) { reported.push_back(file); });

    struct Case {
        std::string name;
        std::function<void(const std::string&)> make;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"fifo.ini", [](const std::string& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }, "not a regular file"},
        {"folder.ini", [](const std::string& f) { fs::create_directory(f); }, "folder"},
        {"zero.ini", [](const std::string& f) { fs::create_symlink("/dev/zero", f); }, "not a regular file"},
        {"large.ini", [](const std::string& f) { std::ofstream(f) << "[App]\n" << std::string(2 << 20, ';'); },
         "larger than 1024 KiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = dir.file(c.name);
        c.make(f);
        const auto before = fs::symlink_status(f).type();
        EXPECT_EQ(readString(f, "App", "VIEWER_LAYOUT", "16"), "16");
        ASSERT_TRUE(refusal(f).has_value());
        EXPECT_NE(refusal(f)->find(f), std::string::npos);
        EXPECT_NE(refusal(f)->find(c.reason), std::string::npos) << *refusal(f);
        EXPECT_FALSE(writeString(f, "App", "VIEWER_LAYOUT", "4"));
        EXPECT_FALSE(IniDocument::load(f).save(f));
        EXPECT_FALSE(deleteSection(f, "App"));
        EXPECT_EQ(fs::symlink_status(f).type(), before);
    }
    EXPECT_EQ(fs::file_size(dir.file("large.ini")), 6u + (2u << 20));
    EXPECT_EQ(reported.size(), 3 * cases.size());

    // A file without read permission, as the ordinary user who owns the folder.
    dir.write("config.ini", "[Camera1]\nIP=10.0.0.9\n");
    ::chmod(dir.file("config.ini").c_str(), 0);
    handToOrdinaryUser(dir.path());
    EXPECT_EQ(asOrdinaryUser([&] {
        const std::string f = dir.file("config.ini");
        if (readString(f, "Camera1", "IP", "") != "")
            return 1;
        if (!refusal(f) || refusal(f)->find("Permission denied") == std::string::npos)
            return 2;
        return writeString(f, "Camera1", "IP", "") ? 3 : 0;
    }), 0);
    ::chmod(dir.file("config.ini").c_str(), 0644);
    EXPECT_EQ(dir.read("config.ini"), "[Camera1]\nIP=10.0.0.9\n");

    // Only a missing file reads as empty and is made.
    EXPECT_TRUE(writeString(dir.file("new.ini"), "App", "VIEWER_LAYOUT", "4"));
    EXPECT_FALSE(refusal(dir.file("new.ini")));
    EXPECT_EQ(readInt(dir.file("new.ini"), "App", "VIEWER_LAYOUT", 16), 4);
    setRefusalReporter({});
    clearRefusals();
}

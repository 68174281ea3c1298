#include "app/core/RecFileName.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

RecFileName name(std::string location, int32_t number, std::array<int16_t, 7> fields)
{
    return RecFileName{std::move(location), number, fields};
}

} // namespace

TEST(RecFileName, NamesTheApplicationAndTheControlWrite)
{
    const auto gate = name("Gate", 0, {2010, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(parseRecFileName("r-Gate_!0_End2010_1_2_3_4_5_6.avi", "r-"), gate);
    EXPECT_EQ(parseRecFileName("r-Gate_!0_ResChange2010_1_2_3_4_5_6.avi", "r-"), gate);
    EXPECT_EQ(parseRecFileName("r-Gate_!0_EndChangeRes2010_1_2_3_4_5_6.avi", "r-"), gate);
    // An ordinary recording: the application's "_" and the control's "_".
    EXPECT_EQ(parseRecFileName("r-Gate_!0__2010_1_2_3_4_5_6.avi", "r-"), gate);
    // A snapshot: prefix "s-Gate_!0", then "_" and the timestamp.
    EXPECT_EQ(parseRecFileName("s-Gate_!0_2004_3_7_9_5_2_15.jpg", "s-"), name("Gate", 0, {2004, 3, 7, 9, 5, 2, 15}));
    // An empty location and a negative number are still the pattern.
    EXPECT_EQ(parseRecFileName("r-_!-7_2010_1_2_3_4_5_999.x.avi", "r-"), name("", -7, {2010, 1, 2, 3, 4, 5, 999}));
}

TEST(RecFileName, NamesOffThePatternGiveNothing)
{
    const char* const refused[] = {
        "r-Gate_0_1_2_3_4_5_6_7.avi",      // no "!"
        "r-Gate_!0_2010_1_2_3_4_5.avi",    // six fields
        "r-Gate_!0_2010_1_2_3_4_5_6",      // no "." after the seventh
        "r-Gate_!0___2010_1_2_3_4_5_6.avi", // only one empty field is skipped
        "r-Gate_!x_2010_1_2_3_4_5_6.avi",  // number not numeric
        "r-Gate_!_2010_1_2_3_4_5_6.avi",   // empty number
        "r-Gate_!0",                       // no "_" after the number
        "r-Gate",                          // no "_" after the location
        "r-Ga_te_!0_2010_1_2_3_4_5_6.avi", // a location holding "_"
        "r-Gate_!0_2010_1_2_3_4_5_6a.avi", // trailing letter
        "r-Gate_!0_2010_1_2_3_4_5_40000.avi", // beyond 16 bits
        "r-Gate_!0_2010_1_+2_3_4_5_6.avi", // sign other than "-"
        "r-Gate_!99999999999_2010_1_2_3_4_5_6.avi", // beyond 32 bits
        "r-Gate_!0_End_1_2_3_4_5_6.avi",   // marker without a year
        "",
    };
    for (const char* fileName : refused) {
        SCOPED_TRACE(fileName);
        EXPECT_FALSE(parseRecFileName(fileName, "r-"));
    }
    // The right name with the other prefix.
    EXPECT_FALSE(parseRecFileName("r-Gate_!0_End2010_1_2_3_4_5_6.avi", "s-"));
}

// The location as it stands in file names: nothing that leaves the folder,
// nothing past the name limit, and still read back by the parser.
TEST(RecFileName, LocationsThatCannotBeFileNamesAreEncodedAndCut)
{
    EXPECT_EQ(fileNameLocation("Gate"), "Gate");
    EXPECT_EQ(fileNameLocation(".."), "..");
    EXPECT_EQ(fileNameLocation("../../x"), "..%2F..%2Fx");
    EXPECT_EQ(fileNameLocation("a/b"), "a%2Fb");
    EXPECT_EQ(fileNameLocation("tab\there\x7F"), "tab%09here%7F");
    EXPECT_EQ(fileNameLocation("Tor Süd 東門"), "Tor Süd 東門");

    const std::string stamp = "_2026_12_31_23_59_59_999.avi";
    std::string east, eastSlashes;
    for (int i = 0; i < 100; ++i) {
        east += "東";
        eastSlashes += "東%2F";
    }
    // Each long location with its whole encoding, of which a cut one is the start.
    const std::vector<std::pair<std::string, std::string>> longOnes = {
        {std::string(300, 'x'), std::string(300, 'x')},
        {east, east},
        {[] { std::string s; for (int i = 0; i < 100; ++i) s += "東/"; return s; }(), eastSlashes},
    };
    for (const auto& [location, whole] : longOnes) {
        const std::string encoded = fileNameLocation(location);
        SCOPED_TRACE(encoded);
        EXPECT_GT(encoded.size(), 100u);
        EXPECT_EQ(encoded.find('/'), std::string::npos);
        // Cut at a whole character or escape.
        EXPECT_EQ(whole.substr(0, encoded.size()), encoded);
        const std::string next = whole.substr(encoded.size(), 1);
        EXPECT_TRUE(next == "%" || (static_cast<unsigned char>(next[0]) & 0xC0) != 0x80);
        // The longest name the recorder makes, and the control's hidden name of
        // it (each "%" once more encoded), stay within 255 bytes.
        const std::string longest = "r-" + encoded + "_!1_EndChangeRes" + stamp.substr(1);
        EXPECT_LE(longest.size(), 255u);
        size_t hidden = 1 + ("r-" + encoded + "_!1_").size() + 7 + std::string(".avi.part").size();
        for (char c : encoded)
            hidden += c == '%' ? 2 : 0;
        EXPECT_LE(hidden, 255u);
        const auto parsed = parseRecFileName(longest, "r-");
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->number, 1);
        EXPECT_EQ(parsed->fields, (std::array<int16_t, 7>{2026, 12, 31, 23, 59, 59, 999}));
    }
}

TEST(RecFileName, TheRecordersNumberedFoldersAreKnownByTheirPrefix)
{
    EXPECT_TRUE(isNumberedFolder("r-Gate_!0_1", "r-"));
    EXPECT_TRUE(isNumberedFolder("r-Tor Süd_!1_12", "r-"));
    EXPECT_TRUE(isNumberedFolder("r-_!0_3", "r-"));
    EXPECT_TRUE(isNumberedFolder("s-Gate_!01", "s-"));
    for (const char* other : {"r-Gate_!0_", "r-Gate_!0_x", "r-Gate_1", "backup", "r-..", "s-..", "r-Gate_!_1", "s-Gate_!"})
        EXPECT_FALSE(isNumberedFolder(other, other[0] == 's' ? "s-" : "r-")) << other;
    EXPECT_FALSE(isNumberedFolder("s-Gate_!01", "r-"));
}

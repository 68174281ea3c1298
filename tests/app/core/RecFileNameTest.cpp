#include "app/core/RecFileName.h"

#include <gtest/gtest.h>

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

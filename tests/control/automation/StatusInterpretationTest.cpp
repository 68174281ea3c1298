#include "control/automation/CameraInfo.h"
#include "control/automation/StatusInterpretation.h"
#include "control/session/VidMessages.h"

#include <gtest/gtest.h>

using namespace strovix;

namespace {

// An 86-byte status block: open, administrator, motion off, frequency 1,
// sound on, both counters 00, with the columns a test changes.
struct Block {
    std::string text = std::string(86, '0');
    Block()
    {
        set(0, "01");
        set(24, "000001");
        set(60, "000001");
        text[73] = '1';
        text[81] = '1';
    }
    Block& set(size_t column, const std::string& digits)
    {
        text.replace(column, digits.size(), digits);
        return *this;
    }
};

struct Posted {
    unsigned msg;
    intptr_t w, l;
    std::string text;
    bool operator==(const Posted&) const = default;
};

// Records what the interpreter tells its owner.
struct RecordingStatusOwner : StatusOwner {
    void post(unsigned m, uintptr_t w, intptr_t l, std::string t) override
    {
        posted.push_back({m, intptr_t(w), l, std::move(t)});
    }
    void clockWanted() override { ++clockRequests; }
    void nameWanted() override { ++nameRequests; }

    std::vector<Posted> posted;
    int clockRequests = 0, nameRequests = 0;
};

class Interpretation : public ::testing::Test {
protected:
    Interpretation()
    {
        interpreter = std::make_unique<CameraStatusInterpreter>(shared, owner, [this] { return now; });
    }
    std::vector<unsigned> messages() const
    {
        std::vector<unsigned> m;
        for (auto& p : posted)
            m.push_back(p.msg);
        return m;
    }

    std::shared_ptr<StatusShared> shared = std::make_shared<StatusShared>();
    std::shared_ptr<RecordingStatusOwner> owner = std::make_shared<RecordingStatusOwner>();
    std::vector<Posted>& posted = owner->posted;
    int& clockRequests = owner->clockRequests;
    int& nameRequests = owner->nameRequests;
    uint32_t now = 5000;
    std::unique_ptr<CameraStatusInterpreter> interpreter;
};

} // namespace

TEST_F(Interpretation, FirstBlockReportsEverythingKnownAndAsksForTheNameButNotTheClock)
{
    interpreter->interpret(Block().text);
    EXPECT_EQ(posted, (std::vector<Posted>{{WM_VID_OPENSTATE, 1, 2, ""},
                                           {WM_VID_OPENSTATE, 2, 0, ""},
                                           {WM_VID_MOTION, 1, 0, ""},
                                           {WM_VID_FREQUENCY, 1, 0, ""},
                                           {WM_VID_LOGIN, 0, 0, ""},
                                           {WM_VID_SERVERAUDIO, 1, 0, ""}}));
    EXPECT_EQ(clockRequests, 0);
    EXPECT_EQ(nameRequests, 1);

    // The same block again: only the open state, which the window thread
    // has not recorded yet, is reported again.
    posted.clear();
    interpreter->interpret(Block().text);
    EXPECT_EQ(messages(), std::vector<unsigned>{WM_VID_OPENSTATE});
    shared->controlOpenState = 1;
    posted.clear();
    interpreter->interpret(Block().text);
    EXPECT_TRUE(posted.empty());

    // The counters: a changed clock counter asks for the clock, a changed
    // name counter for the name.
    now += 1000;
    interpreter->interpret(Block().set(82, "01").set(84, "01").text);
    EXPECT_EQ(clockRequests, 1);
    EXPECT_EQ(nameRequests, 2);
}

TEST_F(Interpretation, CountersThatChangeWithEveryPictureAskAtMostOnceASecond)
{
    shared->controlOpenState = 1;
    const auto counters = [](int n) {
        const std::string two = {char('0' + n / 10 % 10), char('0' + n % 10)};
        return Block().set(82, two).set(84, two).text;
    };
    // 10 pictures a second for 3 s, both counters changing with each.
    for (int i = 0; i <= 30; ++i, now += 100)
        interpreter->interpret(counters(i));
    EXPECT_EQ(clockRequests, 3); // at 0.1, 1.1, 2.1 s
    EXPECT_EQ(nameRequests, 4);  // at 0, 1, 2, 3 s

    // A change within the second after a request is asked for once that
    // second is over, by the next block even though that block changes
    // nothing, and only once.
    clockRequests = nameRequests = 0;
    now += 2000;
    interpreter->interpret(counters(50));
    now += 100;
    interpreter->interpret(counters(51));
    now += 300;
    interpreter->interpret(counters(51));
    EXPECT_EQ(clockRequests, 1);
    EXPECT_EQ(nameRequests, 1);
    now += 1000;
    interpreter->interpret(counters(51));
    now += 1000;
    interpreter->interpret(counters(51));
    EXPECT_EQ(clockRequests, 2);
    EXPECT_EQ(nameRequests, 2);
}

TEST_F(Interpretation, MotionCounterCountsOnlyWhileDetectionIsOn)
{
    shared->controlOpenState = 1;
    interpreter->interpret(Block().text);
    posted.clear();
    interpreter->interpret(Block().set(60, "000002").text);
    interpreter->interpret(Block().set(60, "000003").text);
    EXPECT_TRUE(posted.empty()) << "switch off: counter changes fire nothing";

    // Switched on (with a new setting text): the switch is reported; the
    // first counter seen is remembered, the next change reports motion.
    interpreter->interpret(Block().set(24, "000002").set(60, "000003").set(72, "1").text);
    EXPECT_EQ(posted, (std::vector<Posted>{{WM_VID_MOTION, 1, 1, ""}}));
    posted.clear();
    interpreter->interpret(Block().set(24, "000002").set(60, "000004").set(72, "1").text);
    EXPECT_EQ(posted, (std::vector<Posted>{{WM_VID_MOTION, 0, 0, ""}}));
}

TEST_F(Interpretation, ExtendedStatusWindowReportsChangesOfItsColumnsOnly)
{
    shared->controlOpenState = 1;
    interpreter->interpret(Block().text);
    posted.clear();
    std::string longBlock = Block().text + std::string(14, ' ') + "ABCDEFGH";
    interpreter->interpret(longBlock);
    EXPECT_TRUE(posted.empty()) << "no window set";
    shared->exStart = 2;
    shared->exEnd = 4;
    interpreter->interpret(longBlock);
    EXPECT_EQ(posted, (std::vector<Posted>{{WM_VID_EXSTATUS, 0, 0, "CDE"}}));
    posted.clear();
    longBlock[107] = 'x'; // outside the window
    interpreter->interpret(longBlock);
    EXPECT_TRUE(posted.empty());
}

TEST_F(Interpretation, OddOpenStatesCountAsClosed)
{
    interpreter->interpret(Block().set(0, "02").text);
    EXPECT_EQ(posted.front(), (Posted{WM_VID_OPENSTATE, 0, 2, ""}));
}

TEST(CameraInfo, CapabilityMenusVersionFlagAndNames)
{
    auto menus = capabilityMenus("Resolution = 36\n", 1);
    EXPECT_EQ(menus.resolution, (std::vector<MenuItem>{{"640 X 480", 3}, {"176 X 144", 0}}));
    EXPECT_EQ(menus.quality, (std::vector<MenuItem>{{"High", 1}, {"Low", 0}}));
    EXPECT_TRUE(menus.qualityTwoLevels);
    menus = capabilityMenus("Resolution = 255\nQuality = 21\n", 0);
    ASSERT_EQ(menus.resolution.size(), 8u);
    EXPECT_EQ(menus.resolution[1], (MenuItem{"1280 X 960", 6}));
    EXPECT_EQ(menus.resolution[7], (MenuItem{"128 X 96", 4}));
    EXPECT_EQ(menus.quality, (std::vector<MenuItem>{{"Highest", 4}, {"Medium", 2}, {"Lowest", 0}}));
    EXPECT_FALSE(menus.qualityTwoLevels);
    // Without a Resolution line: the four classic sizes.
    EXPECT_EQ(capabilityMenus("Quality = 3\n", 1).resolution.size(), 4u);

    EXPECT_EQ(cameraVersionFlag("5.06"), 0);
    EXPECT_EQ(cameraVersionFlag("506"), 1);
    EXPECT_EQ(cameraVersionFlag(""), 0);
    EXPECT_EQ(resolutionName(6, 0), "1280 X 960");
    EXPECT_EQ(resolutionName(6, 1), "704 X 576");
    EXPECT_EQ(resolutionName(8, 1), "");
    EXPECT_EQ(qualityName(1, true), "High");
    EXPECT_EQ(qualityName(4, false), "Highest");

    // Clock: Sec1970 1000, camera zone -480 (UTC+8) seen from a computer at UTC.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(cameraClockOffset("Sec1970 = 1000\nTimeZone = -480\n", 500), 1000 + 480 * 60 - 500);
    EXPECT_FALSE(cameraClockOffset("Sec1970 = 1000\n", 500));
    EXPECT_FALSE(cameraClockOffset("Sec1970 = 0\nTimeZone = 0\n", 500));
}

#include "FakeVolumes.h"

#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint64_t kMb = uint64_t{1} << 20;

struct Check {
    AppCfgGO cfg; // defaults: 5 percent, "60" MB
    FakeVolumes volumes;
    std::vector<std::string> messages;
    DiskFO disk{cfg, volumes, [this](const std::string& m) { messages.push_back(m); }};
};

} // namespace

TEST(DiskFO, EmptyPathAndUnreadableVolume)
{
    Check c;
    EXPECT_EQ(c.disk.checkDiskSpace(""), 1);
    EXPECT_EQ(c.volumes.queries, 0);
    EXPECT_TRUE(c.messages.empty());
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 0); // no figures
    EXPECT_EQ(c.messages, std::vector<std::string>{"Can't get the message from the Disk."});
}

TEST(DiskFO, PercentageAndMegabyteRules)
{
    Check c;
    c.volumes.setMegabytes(100 * 1024, 3 * 1024); // 3 GiB free of 100 GiB: 3 %
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 3072);

    c.cfg.setAlertSpace("0");
    c.volumes.setMegabytes(100, 5); // exactly the limit: not short
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 1);
    c.volumes.setMegabytes(100, 4);
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 4);

    c.cfg.setAlertSpace("60");
    c.volumes.setMegabytes(100, 59);
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 59);
    c.volumes.setMegabytes(100, 60);
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 1);
    c.volumes.setMegabytes(100, 1); // short, but 1 MB reads as "sufficient"
    EXPECT_EQ(c.disk.checkDiskSpace("/data/rec"), 1);
    EXPECT_TRUE(c.messages.empty());
}

TEST(DiskFO, RoundingHalvesToEven)
{
    const auto eval = [](uint64_t total, uint64_t free, int16_t percent, const char* space) {
        return DiskFO::evaluate(VolumeFigures{total, free}, percent, space);
    };
    // Free megabytes: 2.5 -> 2, 3.5 -> 4, just over a half rounds up.
    EXPECT_EQ(eval(1000 * kMb, 5 * kMb / 2, 0, "100"), 2);
    EXPECT_EQ(eval(1000 * kMb, 7 * kMb / 2, 0, "100"), 4);
    EXPECT_EQ(eval(1000 * kMb, 5 * kMb / 2 + 1, 0, "100"), 3);
    // Free percent: 1 of 200 MB is 0.5 % -> 0, short of 1 %; 3 of 200 is 1.5 % -> 2.
    EXPECT_EQ(eval(200 * kMb, 1 * kMb, 1, "0"), 1); // short, but the value 1 reads "sufficient"
    EXPECT_EQ(eval(200 * kMb, 2 * kMb, 2, "0"), 2); // 1 % < 2
    EXPECT_EQ(eval(200 * kMb, 3 * kMb, 2, "0"), 1); // 1.5 % -> 2: not short
    // A volume whose size rounds to 0 MB is short.
    EXPECT_EQ(eval(kMb / 4, kMb / 4, 0, "0"), 0);
    // Huge figures do not overflow.
    EXPECT_EQ(eval(UINT64_MAX, UINT64_MAX, 5, "60"), 1);

    EXPECT_EQ(DiskFO::leadingMegabytes("60"), 60);
    EXPECT_EQ(DiskFO::leadingMegabytes(" 60 MB"), 60);
    EXPECT_EQ(DiskFO::leadingMegabytes("60.5"), 60);
    EXPECT_EQ(DiskFO::leadingMegabytes("61.5"), 62);
    EXPECT_EQ(DiskFO::leadingMegabytes("MB 60"), 0);
    EXPECT_EQ(DiskFO::leadingMegabytes(""), 0);
    EXPECT_EQ(DiskFO::leadingMegabytes("-"), 0);
}

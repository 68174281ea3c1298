#include "SessionTestSupport.h"

#include "control/session/InterruptibleSleep.h"
#include "control/session/MessageTarget.h"
#include "control/session/ThreadStart.h"
#include "control/session/VidMessages.h"
#include "control/session/WorkerList.h"
#include "platform/component/ClassFactory.h"

#include <set>
#include <stdexcept>

using namespace strovix;
using namespace sessiontest;
using Clock = std::chrono::steady_clock;

TEST(VidMessages, TableIsCompleteAndUnique)
{
    std::set<unsigned> ids;
    std::set<std::string_view> names;
    int sent = 0;
    for (const auto& m : kVidMessages) {
        EXPECT_TRUE(ids.insert(m.id).second) << m.name;
        EXPECT_TRUE(names.insert(m.name).second) << m.name;
        sent += m.sent;
    }
    // 0x500-0x508, 0x510-0x519, 0x520-0x527, 0x601, 0x602.
    EXPECT_EQ(ids.size(), 29u);
    EXPECT_EQ(sent, 3);
    EXPECT_TRUE(vidMessageInfo(WM_VID_CAPABILITY)->sent);
    // A shown picture is posted: the picture is shared, nobody waits for it.
    EXPECT_FALSE(vidMessageInfo(WM_VID_NEWFRAME)->sent);
    EXPECT_FALSE(vidMessageInfo(WM_VID_PANETEXT)->sent);
    EXPECT_FALSE(vidMessageInfo(0x509));
}

TEST(MessageTarget, PostSendAndGivingUp)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    std::vector<std::string> seen;
    target->setHandler(WM_VID_PANETEXT, [&](const VidMessageArgs& a) {
        seen.push_back(std::to_string(a.wParam) + ":" + a.text);
        return 0L;
    });
    target->setFallbackHandler([&](const VidMessageArgs& a) { return static_cast<long>(a.wParam + a.lParam); });

    // Posts from a worker arrive in order with their texts.
    std::thread([&] {
        target->post(WM_VID_PANETEXT, 5, 0, "Retry 1");
        target->post(WM_VID_PANETEXT, 5, 0, "Disconnect");
    }).join();
    pumpFor(20);
    EXPECT_EQ(seen, (std::vector<std::string>{"5:Retry 1", "5:Disconnect"}));

    // A send waits for the handler and returns its result.
    std::atomic<int> stop{0};
    std::optional<long> result;
    std::thread worker([&] { result = target->send(WM_VID_CAMVER, 40, 2, stop); });
    pumpUntil([&] { return result.has_value(); }, 2000);
    worker.join();
    EXPECT_EQ(result, std::optional<long>(42));

    // A window thread that does not answer: the sender gives up within 50 ms
    // of its stop flag, and the abandoned message is never handled.
    int handled = 0;
    target->setHandler(WM_VID_NEWFRAME, [&](const VidMessageArgs&) { return static_cast<long>(++handled); });
    std::optional<long> late = 7;
    Clock::time_point stopped;
    std::thread blocked([&] { late = target->send(WM_VID_NEWFRAME, 0, 0, stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stopped = Clock::now();
    stop = 1;
    blocked.join();
    EXPECT_LT(msSince(stopped), 400);
    EXPECT_FALSE(late);
    pumpFor(20);
    EXPECT_EQ(handled, 0);

    // On the window thread itself a send runs the handler at once.
    stop = 0;
    EXPECT_EQ(target->send(WM_VID_NEWFRAME, 0, 0, stop), std::optional<long>(1));
    // ... without holding the target meanwhile: a worker posting while that
    // handler runs is not held up (nor a handler that posts itself).
    std::thread poster;
    target->setHandler(WM_VID_CAMVER, [&](const VidMessageArgs&) {
        auto posted = std::make_shared<std::atomic<bool>>(false);
        poster = std::thread([&target, posted] {
            target->post(WM_VID_PANETEXT, 2, 0, "during");
            posted->store(true);
        });
        const auto until = Clock::now() + std::chrono::milliseconds(1000);
        while (!posted->load() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return posted->load() ? 1L : 0L;
    });
    EXPECT_EQ(target->send(WM_VID_CAMVER, 0, 0, stop), std::optional<long>(1));
    poster.join();
    pumpFor(20);
    EXPECT_EQ(seen.back(), "2:during");

    // After close nothing is delivered and a sender is never stuck.
    target->close();
    EXPECT_FALSE(target->post(WM_VID_PANETEXT, 1, 0, "x"));
    std::optional<long> afterClose = 7;
    std::thread([&] { afterClose = target->send(WM_VID_CAMVER, 0, 0, stop); }).join();
    EXPECT_FALSE(afterClose);
}

TEST(MessageTarget, ClosingReleasesWaitingSenders)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    std::atomic<int> stop{0};
    std::optional<long> r = 7;
    std::thread sender([&] { r = target->send(WM_VID_CAPABILITY, 0, 0, stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto t = Clock::now();
    target->close(); // the queued message is destroyed unhandled
    sender.join();
    EXPECT_LT(msSince(t), 200);
    EXPECT_FALSE(r);
}

TEST(MessageTarget, CallsAndTextsTakeTheSameRoadAsMessages)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    std::vector<std::string> seen;
    target->setHandler(WM_VID_PANETEXT, [&](const VidMessageArgs& a) {
        seen.push_back("msg:" + a.text);
        return 0L;
    });
    target->setHandler(WM_VID_CAMVER, [&](const VidMessageArgs& a) {
        seen.push_back("sent:" + a.text);
        return 5L;
    });
    const auto windowThread = std::this_thread::get_id();
    bool callOnWindowThread = false;
    std::atomic<int> stop{0};
    std::optional<long> sent;
    // Messages, queued calls and a sent message from one worker arrive in
    // the order it handed them over, the calls on the window thread.
    std::thread worker([&] {
        target->post(WM_VID_PANETEXT, 0, 0, "first");
        target->invoke([&] {
            callOnWindowThread = std::this_thread::get_id() == windowThread;
            seen.push_back("call");
        });
        sent = target->send(WM_VID_CAMVER, 0, 0, stop, "510");
    });
    pumpUntil([&] { return sent.has_value(); }, 5000);
    worker.join();
    EXPECT_EQ(seen, (std::vector<std::string>{"msg:first", "call", "sent:510"}));
    EXPECT_TRUE(callOnWindowThread);
    EXPECT_EQ(sent, std::optional<long>(5));

    // A handler that throws does not unwind into the event loop: its sender
    // gets no result and the next message is handled as usual.
    target->setHandler(WM_VID_CAPABILITY, [](const VidMessageArgs&) -> long { throw std::runtime_error("bad"); });
    std::optional<long> thrown = 7;
    std::thread thrower([&] { thrown = target->send(WM_VID_CAPABILITY, 0, 0, stop); });
    ASSERT_TRUE(pumpUntil([&] { return !thrown.has_value(); }, 5000));
    thrower.join();
    std::thread([&] { target->post(WM_VID_PANETEXT, 0, 0, "after"); }).join();
    ASSERT_TRUE(pumpUntil([&] { return seen.back() == "msg:after"; }, 5000));

    // Calls still queued at the close never run; later ones are refused.
    bool ran = false;
    std::thread([&] { EXPECT_TRUE(target->invoke([&] { ran = true; })); }).join();
    target->close();
    EXPECT_FALSE(target->invoke([&] { ran = true; }));
    pumpFor(20);
    EXPECT_FALSE(ran);
}

TEST(MessageTarget, DestroyedUnclosedItDeliversNothingQueued)
{
    app();
    if (kRuleChecks) {
        // Debug and sanitizer builds stop at the broken rule.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH(
            {
                auto target = std::make_shared<MessageTarget>();
                target.reset();
            },
            "message target destroyed before it was closed");
        return;
    }
    // Release builds: a target whose last reference goes on a worker while
    // messages and calls are still queued for it hands none of them to the
    // destroyed object.
    auto delivered = std::make_shared<std::atomic<int>>(0);
    auto target = std::make_shared<MessageTarget>();
    target->setHandler(WM_VID_PANETEXT, [delivered](const VidMessageArgs&) {
        delivered->fetch_add(1);
        return 0L;
    });
    target->post(WM_VID_PANETEXT, 0, 0, "queued");
    target->invoke([delivered] { delivered->fetch_add(1); });
    std::thread([t = std::move(target)]() mutable { t.reset(); }).join();
    pumpFor(50);
    EXPECT_EQ(delivered->load(), 0);
}

TEST(MessageTarget, WindowThreadWorkOffItsThreadIsCaught)
{
    if (!kRuleChecks)
        GTEST_SKIP() << "the rule checks are compiled out of this build";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            app();
            auto target = std::make_shared<MessageTarget>();
            std::thread([&] { target->setHandler(WM_VID_LOGIN, nullptr); }).join();
        },
        "called off its window thread");
}

TEST(WorkerList, JoinsOrDetachesWithinTheDeadline)
{
    using platform::component::ModuleCount;
    // Workers detached by earlier tests of this process may still be ending.
    const long earlier = ModuleCount::threads();
    WorkerList list;
    std::atomic<int> release{0};
    auto lingering = std::make_shared<std::atomic<int>>(0);
    list.start([](WorkerList::Id) {});
    list.start([&release, lingering](WorkerList::Id) {
        while (release.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        lingering->store(1);
    });
    EXPECT_EQ(list.size(), 2u);
    const auto t = Clock::now();
    EXPECT_EQ(list.stopAll(std::chrono::milliseconds(150)), 1);
    EXPECT_GE(msSince(t), 140);
    EXPECT_LT(msSince(t), 2500); // the lingering worker is not waited for
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.detachedCount(), 1);
    // Until it has ended, the detached worker keeps the library from being
    // unloaded under it.
    EXPECT_GE(ModuleCount::threads(), 1);
    EXPECT_FALSE(ModuleCount::canUnload());
    // The detached worker still runs to its end on what it owns.
    release = 1;
    for (int i = 0; i < 200 && ModuleCount::threads() > earlier; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(lingering->load(), 1);
    EXPECT_LE(ModuleCount::threads(), earlier);
    if (earlier == 0) {
        EXPECT_TRUE(ModuleCount::canUnload());
    }

    // One worker by its identity; an unknown one counts as ended.
    const auto id = list.start([](WorkerList::Id) { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    EXPECT_TRUE(list.stop(id, std::chrono::milliseconds(1000)));
    EXPECT_TRUE(list.stop(12345, std::chrono::milliseconds(1000)));

    // A deadline fixed when the stop was asked for and passed since: what
    // has not ended is detached without any wait.
    release = 0;
    auto lingering2 = std::make_shared<std::atomic<int>>(0);
    list.start([&release, lingering2](WorkerList::Id) {
        while (release.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        lingering2->store(1);
    });
    const auto asked = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int detachedBefore = list.detachedCount();
    EXPECT_EQ(list.stopAll(asked + std::chrono::milliseconds(10)), 1);
    EXPECT_EQ(list.detachedCount(), detachedBefore + 1);
    release = 1;
    for (int i = 0; i < 400 && lingering2->load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(lingering2->load(), 1);
}

TEST(WorkerList, AThreadThatCannotStartIsReportedNotThrown)
{
    WorkerList list;
    std::atomic<int> ran{0};
    failNextThreadStarts(1);
    EXPECT_EQ(list.start([&ran](WorkerList::Id) { ran = 1; }), WorkerList::kNotStarted);
    EXPECT_EQ(list.size(), 0u);
    // Only the next start failed.
    const auto id = list.start([&ran](WorkerList::Id) { ran = 2; });
    EXPECT_NE(id, WorkerList::kNotStarted);
    EXPECT_TRUE(list.stop(id, std::chrono::milliseconds(3000)));
    EXPECT_EQ(ran.load(), 2);
    // A worker whose body throws ends like any other; the process goes on.
    const auto thrower = list.start([](WorkerList::Id) { throw std::runtime_error("worker failure"); });
    EXPECT_TRUE(list.stop(thrower, std::chrono::milliseconds(3000)));
}

TEST(InterruptibleSleep, SlicesAndFlags)
{
    std::atomic<int> a{0}, b{0};
    auto t = Clock::now();
    EXPECT_EQ(InterruptibleSleep(250, a, b, 100), 0);
    EXPECT_GE(msSince(t), 245);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        b = 1;
    });
    t = Clock::now();
    EXPECT_EQ(InterruptibleSleep(5000, a, b, 300), 1);
    setter.join();
    EXPECT_LT(msSince(t), 4000); // noticed at a slice boundary, long before the end
    // A flag already set returns at once; the remainder below one slice is
    // always slept.
    a = 1;
    t = Clock::now();
    EXPECT_EQ(InterruptibleSleep(5000, a, b, 100), 1);
    EXPECT_LT(msSince(t), 4000);
    EXPECT_EQ(InterruptibleSleep(50, a, b, 100), 0);
}

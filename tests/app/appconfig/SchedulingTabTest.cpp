// The Scheduling tab: the rule fields' checks in their order, Add, Modify,
// Remove and Save, live edits and what a restart loads.
#include "FormFixture.h"
#include "support/GuideShots.h"

#include "app/appconfig/SchedulePage.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"

namespace {

class SchedulingTab : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        openOn(AppCfgForm::kSchedulingTab);
        camera = cameras->getCamera(0);
    }
    QListWidget* list() const { return form->schedulePage()->list(); }
    QComboBox* weekDays() const { return form->schedulePage()->weekDayChoice(); }
    const Schedule::Items& items() const { return camera->getSchedule()->getItems(); }
    void fill(const QString& minute, const QString& hour, const QString& day, const QString& month,
              const QString& duration) const
    {
        type("schTxt1", minute);
        type("schTxt2", hour);
        type("schTxt3", day);
        type("schTxt4", month);
        type("schTxt5", duration);
    }
    std::vector<QString> lines() const
    {
        std::vector<QString> shown;
        for (int i = 0; i < list()->count(); ++i)
            shown.push_back(list()->item(i)->text());
        return shown;
    }

    Camera* camera = nullptr;
};

TEST_F(SchedulingTab, ShowsTheCamerasRulesAndAddsAWildcardRuleOnlyWithADuration)
{
    EXPECT_EQ(lines(), std::vector<QString>{"08:30 ALL ALL, ALL, 600s"});
    ASSERT_EQ(weekDays()->count(), 8);
    EXPECT_EQ(weekDays()->itemText(0), "All");
    EXPECT_EQ(weekDays()->itemText(1), "Sunday");
    EXPECT_EQ(weekDays()->itemText(7), "Saturday");
    EXPECT_EQ(weekDays()->currentIndex(), -1);
    EXPECT_EQ(weekDays()->placeholderText(), "Select One");
    EXPECT_EQ(child<QLabel>("schLbl7")->text(), "Use * for all");

    // An empty duration is refused and nothing is added.
    fill("*", "", "", "", "");
    click("schBtn1");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a number of seconds over 0."});
    EXPECT_EQ(items().size(), 1u);
    EXPECT_EQ(list()->count(), 1);

    // With 60 seconds it is a rule of wildcards, live in the running schedule at once.
    type("schTxt5", "60");
    click("schBtn1");
    EXPECT_EQ(dialogs.texts().size(), 1u);
    ASSERT_EQ(items().size(), 2u);
    const ScheduleItem& added = *items()[1];
    EXPECT_EQ(added.getMinute(), -1);
    EXPECT_EQ(added.getHour(), -1);
    EXPECT_EQ(added.getDay(), -1);
    EXPECT_EQ(added.getMonth(), -1);
    EXPECT_EQ(added.getWeekDay(), -1);
    EXPECT_EQ(added.getDuration(), 60);
    EXPECT_EQ(added.getSchedule(), camera->getSchedule().get());
    EXPECT_EQ(lines().back(), "ALL:ALL ALL ALL, ALL, 60s");
    // The running check sees it: it fires on the camera's next start pass.
    camera->startScheduledRec();
    EXPECT_TRUE(added.isRunning());
    EXPECT_EQ(stored("Camera1", "SCHEDULE"), "30,8,-1,-1,-1,600") << "not stored before Save";
    screenshot("scheduling-tab");
    EXPECT_TRUE(guide_shots::guideShot(form->grab().toImage(), "config-scheduling-tab"));
}

TEST_F(SchedulingTab, FieldsAreCheckedInOrderEachWithItsMessage)
{
    SchedulePage& page = *form->schedulePage();
    struct Case {
        std::vector<QString> fields; // minute, hour, day, month, duration
        std::string message;
    };
    const std::vector<Case> refused = {
        {{"60", "24", "0", "13", ""}, "Please input a number between 0 and 59 or * for all minutes."},
        {{"-2", "1", "1", "1", "5"}, "Please input a number between 0 and 59 or * for all minutes."},
        {{"5", "24", "0", "13", ""}, "Please input a number between 0 and 23 or * for all hours."},
        {{"5", "x", "1", "1", "5"}, "Please input a number between 0 and 23 or * for all hours."},
        {{"5", "*", "0", "13", ""}, "Please input a number between 1 and 31 or * for all days."},
        {{"5", "*", "32", "1", "5"}, "Please input a number between 1 and 31 or * for all days."},
        {{"5", "*", "*", "13", ""}, "Please input a number between 1 and 12 or * for all months."},
        {{"5", "*", "*", "0", "5"}, "Please input a number between 1 and 12 or * for all months."},
        {{"5", "*", "*", "*", "-1"}, "Please input a number of seconds over 0."},
        {{"5", "*", "*", "*", "1.5"}, "Please input a number of seconds over 0."},
    };
    for (const Case& c : refused) {
        dialogs.asked.clear();
        fill(c.fields[0], c.fields[1], c.fields[2], c.fields[3], c.fields[4]);
        ScheduleItem item;
        item.setMinute(7);
        EXPECT_FALSE(page.readItemFields(item)) << c.message;
        EXPECT_EQ(dialogs.texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(item.getMinute(), 7) << "a refused item is left as it was";
    }

    // "-1" is a wildcard, the bounds are accepted, 0 seconds means no limit.
    dialogs.asked.clear();
    fill("-1", "23", "31", "12", "0");
    weekDays()->setCurrentIndex(7);
    ScheduleItem item;
    EXPECT_TRUE(page.readItemFields(item));
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(item.getMinute(), -1);
    EXPECT_EQ(item.getHour(), 23);
    EXPECT_EQ(item.getDay(), 31);
    EXPECT_EQ(item.getMonth(), 12);
    EXPECT_EQ(item.getWeekDay(), 7);
    EXPECT_EQ(item.getDuration(), 0);
    weekDays()->setCurrentIndex(0);
    fill("0", "0", "1", "1", " 15 ");
    EXPECT_TRUE(page.readItemFields(item));
    EXPECT_EQ(item.getWeekDay(), -1) << "\"All\"";
    EXPECT_EQ(item.getDuration(), 15);
}

TEST_F(SchedulingTab, ModifyAndRemoveActOnTheSelectedLine)
{
    fill("0", "9", "*", "*", "120");
    weekDays()->setCurrentIndex(2);
    click("schBtn1");
    ASSERT_EQ(items().size(), 2u);
    const auto second = items()[1];

    // Selecting a line puts its rule into the fields.
    fill("", "", "", "", "");
    list()->setCurrentRow(0);
    EXPECT_EQ(edit("schTxt1")->text(), "30");
    EXPECT_EQ(edit("schTxt2")->text(), "8");
    EXPECT_EQ(edit("schTxt3")->text(), "*");
    EXPECT_EQ(edit("schTxt5")->text(), "600");
    EXPECT_EQ(weekDays()->currentIndex(), 0);
    list()->setCurrentRow(1);
    EXPECT_EQ(weekDays()->currentIndex(), 2);

    // Modify needs a weekday, then a line; either missing changes nothing.
    weekDays()->setCurrentIndex(-1);
    type("schTxt2", "10");
    click("schBtn2");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please select a week day."});
    weekDays()->setCurrentIndex(3);
    list()->setCurrentRow(-1);
    click("schBtn2");
    EXPECT_EQ(dialogs.texts().back(), "Please select an item.");
    EXPECT_EQ(second->getHour(), 9);
    EXPECT_EQ(lines()[1], "09:00 ALL ALL, Mon, 120s");

    // With both, the rule itself changes (live) and so does its line.
    dialogs.asked.clear();
    list()->setCurrentRow(1);
    type("schTxt2", "10");
    weekDays()->setCurrentIndex(3);
    click("schBtn2");
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(items()[1], second);
    EXPECT_EQ(second->getHour(), 10);
    EXPECT_EQ(second->getWeekDay(), 3);
    EXPECT_EQ(lines()[1], "10:00 ALL ALL, Tue, 120s");
    // A refused field leaves the rule and its line alone.
    type("schTxt1", "99");
    click("schBtn2");
    EXPECT_EQ(second->getMinute(), 0);
    EXPECT_EQ(lines()[1], "10:00 ALL ALL, Tue, 120s");

    // Remove: a line must be selected; the first goes and the second moves up.
    dialogs.asked.clear();
    list()->setCurrentRow(-1);
    click("schBtn3");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please select an item."});
    list()->setCurrentRow(0);
    click("schBtn3");
    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0], second);
    EXPECT_EQ(lines(), std::vector<QString>{"10:00 ALL ALL, Tue, 120s"});
    list()->setCurrentRow(0);
    click("schBtn3");
    EXPECT_TRUE(items().empty());
    // An empty list: Remove does nothing and says nothing.
    dialogs.asked.clear();
    click("schBtn3");
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(SchedulingTab, SaveStoresTheScheduleAndARestartLoadsTheSameRules)
{
    fill("*", "", "", "", "60");
    click("schBtn1");
    fill("15", "22", "24", "12", "0");
    weekDays()->setCurrentIndex(5);
    click("schBtn1");
    list()->setCurrentRow(0);
    click("schBtn3");
    const std::vector<QString> shown = lines();
    ASSERT_EQ(shown.size(), 2u);

    click("schBtn4");
    EXPECT_EQ(stored("Camera1", "SCHEDULE"), "-1,-1,-1,-1,-1,60;15,22,24,12,5,0");
    EXPECT_EQ(stored("Camera1", "IP"), "10.0.0.5");

    // Another camera's list is its own.
    form->camList()->setCurrentRow(2);
    EXPECT_EQ(list()->count(), 0);

    // A restart over the same folder loads the same rules.
    AppCfgGO again;
    again.initConfig(home.path());
    ViewerGO otherViewers;
    CameraGO restarted(again, otherViewers);
    AppCfgForm reopened(restarted);
    reopened.camList()->setCurrentRow(0);
    reopened.tabs()->setCurrentIndex(AppCfgForm::kSchedulingTab);
    QListWidget* loaded = reopened.schedulePage()->list();
    ASSERT_EQ(loaded->count(), 2);
    EXPECT_EQ(loaded->item(0)->text(), shown[0]);
    EXPECT_EQ(loaded->item(1)->text(), shown[1]);
}

} // namespace

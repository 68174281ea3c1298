// Export and import of config.ini and eLayout.ini: the choices, the
// questions, the checks of each kind and the atomic copy with its failures.
#include "FormFixture.h"

#include "app/appconfig/ApplicationPage.h"
#include "app/appconfig/ConfigFiles.h"
#include "platform/fs/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kEMapLayout[] =
    "[Picture0]\nCamera=0\nPOS_X=10\nPOS_Y=20\nPIC_F=True\nMAP_ID=0\n"
    "[Picture1]\nCamera=1\nPOS_X=30\nPOS_Y=40\nPIC_F=False\nMAP_ID=0\n"
    "[Picture2]\nCamera=2\nPOS_X=0\nPOS_Y=0\nPIC_F=False\nMAP_ID=0\n";

class Transfer : public FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        dialogs.answer = AppDialogs::Answer::Yes;
    }
    std::string initialConfig() const override
    {
        return "[App]\nVIEWER_LAYOUT=4\nPANEL_LAYOUT=default\nAPP_CFG_FORM_LAYOUT=default\nSET_PERCENT=5\n"
               "SET_ALERT_SPACE=60\nSET_CIRCULAR_MODE=0\nSET_LINE_NUM=30\n"
               "[Camera1]\nIP=10.0.0.5\nPORT=8080\n";
    }
    void choose(const char* choice, int index) const { emit child<QComboBox>(choice)->activated(index); }
    static constexpr int kAppConfig = 0;
    static constexpr int kEMap = 1;
};

TEST_F(Transfer, AChoiceWithoutAnEntrySaysSelectOne)
{
    choose("selectExpCob", -1);
    choose("selectImpCob", -1);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Select One", "Select One"}));
    EXPECT_TRUE(dialogs.fileCaptions.empty()) << "no file dialog";
}

TEST_F(Transfer, ExportThenImportRoundTripsBothFiles)
{
    const std::string original = configText();
    home.write("etc/eLayout.ini", kEMapLayout);

    // Export to a new file copies at once; to an existing one only after Yes.
    const std::string exported = home.file("saved.ini");
    dialogs.files = {exported};
    choose("selectExpCob", kAppConfig);
    EXPECT_EQ(home.read("saved.ini"), original);
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(dialogs.fileCaptions, std::vector<std::string>{"Export Configuration"});
    EXPECT_EQ(child<QComboBox>("selectExpCob")->currentIndex(), -1) << "ready for the next export";

    dialogs.answer = AppDialogs::Answer::No;
    dialogs.files = {exported};
    choose("selectExpCob", kEMap);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Are you sure?"});
    EXPECT_EQ(dialogs.asked.back().buttons, AppDialogs::Buttons::YesNo);
    EXPECT_EQ(home.read("saved.ini"), original);
    dialogs.answer = AppDialogs::Answer::Yes;
    dialogs.files = {home.file("map.ini")};
    choose("selectExpCob", kEMap);
    EXPECT_EQ(home.read("map.ini"), kEMapLayout);

    // The operator changes the live files; importing the copies brings them back.
    home.write("etc/config.ini", original + "[Camera2]\nIP=1.2.3.4\n");
    home.write("etc/eLayout.ini", "[Picture0]\nCamera=5\n");
    dialogs.asked.clear();
    dialogs.files = {exported, home.file("map.ini")};
    choose("selectImpCob", kAppConfig);
    choose("selectImpCob", kEMap);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Are you sure?", "Are you sure?"}));
    EXPECT_EQ(configText(), original);
    EXPECT_EQ(home.read("etc/eLayout.ini"), kEMapLayout);
    EXPECT_EQ(config.getViewerLayout(), 4) << "the running program keeps what it loaded";

    // Answering No leaves the file; a missing target takes the file unchecked.
    dialogs.asked.clear();
    dialogs.answer = AppDialogs::Answer::No;
    home.write("junk.ini", "not a configuration");
    dialogs.files = {home.file("junk.ini")};
    choose("selectImpCob", kAppConfig);
    EXPECT_EQ(configText(), original);
    std::filesystem::remove(home.file("etc/eLayout.ini"));
    dialogs.files = {home.file("junk.ini")};
    choose("selectImpCob", kEMap);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Are you sure?"}) << "no question for a missing file";
    EXPECT_EQ(home.read("etc/eLayout.ini"), "not a configuration");
}

TEST_F(Transfer, AFileThatFailsItsCheckLeavesTheOldFileByteForByte)
{
    const std::string original = configText();
    home.write("etc/eLayout.ini", kEMapLayout);
    struct Case {
        int entry;
        std::string contents;
    };
    const std::vector<Case> refused = {
        // Only two pictures.
        {kEMap, "[Picture0]\nCamera=0\nPOS_X=1\nPOS_Y=2\nPIC_F=True\n[Picture1]\nCamera=1\nPOS_X=1\nPOS_Y=2\nPIC_F=True\n"},
        // A picture without its flag.
        {kEMap, "[Picture0]\nCamera=0\nPOS_X=1\nPOS_Y=2\n[Picture1]\nCamera=1\nPOS_X=1\nPOS_Y=2\nPIC_F=True\n[Picture2]\nPOS_X=0\n"},
        // The keys out of their order, a leading section, no camera section.
        {kAppConfig, "[App]\nVIEWER_LAYOUT=4\nSET_PERCENT=5\nPANEL_LAYOUT=default\nAPP_CFG_FORM_LAYOUT=default\n"
                     "SET_ALERT_SPACE=60\nSET_CIRCULAR_MODE=0\nSET_LINE_NUM=30\n[Camera1]\n"},
        {kAppConfig, "[Camera1]\nIP=1\n" + original},
        {kAppConfig, "[App]\nVIEWER_LAYOUT=4\nPANEL_LAYOUT=default\nAPP_CFG_FORM_LAYOUT=default\nSET_PERCENT=5\n"
                     "SET_ALERT_SPACE=60\nSET_CIRCULAR_MODE=0\nSET_LINE_NUM=30\n"},
        {kAppConfig, kEMapLayout},
    };
    for (const Case& c : refused) {
        dialogs.asked.clear();
        home.write("candidate.ini", c.contents);
        dialogs.files = {home.file("candidate.ini")};
        choose("selectImpCob", c.entry);
        EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Are you sure?", "Please check your file.."}))
            << c.contents;
        EXPECT_EQ(configText(), original);
        EXPECT_EQ(home.read("etc/eLayout.ini"), kEMapLayout);
    }
    // Windows line ends and the three pictures pass.
    dialogs.asked.clear();
    home.write("candidate.ini", "[Picture0]\r\nCamera=0\r\nPOS_X=1\r\nPOS_Y=2\r\nPIC_F=True\r\n[Picture1]\r\nCamera=1\r\n"
                                "POS_X=1\r\nPOS_Y=2\r\nPIC_F=True\r\n[Picture2]\r\nPOS_X=0\r\n");
    dialogs.files = {home.file("candidate.ini")};
    choose("selectImpCob", kEMap);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Are you sure?"});
    EXPECT_EQ(home.read("etc/eLayout.ini"), home.read("candidate.ini"));
}

TEST_F(Transfer, ACopyThatCannotBeWrittenNamesTheFileAndWhy)
{
    const std::string original = configText();
    const std::string exported = home.file("saved.ini");
    ASSERT_FALSE(configfiles::copyFile(config.getConfigFile(), exported));

    // An import onto a read-only folder. The super-user writes there anyway,
    // so for it the disk fills up instead.
    ASSERT_EQ(::chmod(home.file("etc").c_str(), 0555), 0);
    const bool writable = ::access(home.file("etc").c_str(), W_OK) == 0;
    if (writable)
        platform::fs::injectWriteFailureAfter(0);
    dialogs.files = {exported};
    choose("selectImpCob", kAppConfig);
    platform::fs::injectWriteFailureAfter(-1);
    ::chmod(home.file("etc").c_str(), 0755);
    ASSERT_EQ(dialogs.texts().size(), 2u);
    const std::string why = writable ? "No space left on device" : "Permission denied";
    EXPECT_EQ(dialogs.texts()[1], "The file " + config.getConfigFile() + " could not be written: " + why + ".");
    EXPECT_EQ(configText(), original);
    for (const auto& entry : std::filesystem::directory_iterator(home.file("etc")))
        EXPECT_EQ(entry.path().filename(), "config.ini") << "no temporary file is left";

    // An export into a folder that is gone, and an export of a file that is missing.
    dialogs.asked.clear();
    dialogs.files = {home.file("gone/saved.ini"), home.file("other.ini")};
    choose("selectExpCob", kAppConfig);
    choose("selectExpCob", kEMap);
    EXPECT_EQ(dialogs.texts(),
              (std::vector<std::string>{"The file " + home.file("gone/saved.ini") +
                                            " could not be written: No such file or directory.",
                                        "The file " + config.getEMapFile() + " could not be read: No such file or directory."}));
    EXPECT_FALSE(std::filesystem::exists(home.file("other.ini")));
}

} // namespace

#include "app/pages/settings/exceptionlistsmodel.h"

#include "app/stores/settingsstore.h"
#include "platform/hivestore.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

using List = TExceptionListsModel::List;

class ExceptionListsTest : public ::testing::Test {
  protected:
    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    TSettingsInForce settings;
    std::deque<std::string> typed;
    TExceptionListsModel model{
        messages.fn(), settings,
        [this](const std::string&, const std::string&, bool) -> std::optional<std::string> {
            if (typed.empty())
                return std::nullopt;
            std::string t = typed.front();
            typed.pop_front();
            return t;
        }};

    ExceptionListsTest() { settings.values().exeptList = true; }
    // The settings in force read again, "Use Exception List" ticked.
    void load() {
        settings.Load();
        settings.values().exeptList = true;
        model.reloaded();
    }
};

TEST_F(ExceptionListsTest, ButtonsDoNothingButExplainWhileTheListsAreOff) {
    load();
    settings.values().exeptList = false;
    typed = {"a.txt"};
    for (List list : {List::Files, List::Extensions}) {
        model.add(list);
        model.edit(list);
        model.remove(list);
    }
    EXPECT_EQ(messages.shown.size(), 6u);
    EXPECT_EQ(messages.shown[0], "Exception lists are not available now. Use appropriate "
                                 "checkbox to enable this functionality.");
    EXPECT_TRUE(model.lines(List::Files).empty());
    EXPECT_FALSE(settings.excludes("a.txt"));
}

TEST_F(ExceptionListsTest, ChangesAreSavedAtOnceAndDuplicatesCollapseOnReload) {
    load();
    typed = {"Thumbs.db", "thumbs.db", "tmp", "bak", "old"};
    const uint64_t saves = HiveStore::ioCounts().saves;
    model.add(List::Files);
    EXPECT_EQ(HiveStore::ioCounts().saves, saves + 1) << "one write of the hive per change";
    model.add(List::Files);
    model.add(List::Extensions);
    model.add(List::Extensions);
    model.add(List::Extensions);
    EXPECT_EQ(model.lines(List::Files).size(), 2u) << "until the next reload";
    model.setSelected(List::Extensions, {0, 2});
    model.remove(List::Extensions);
    model.setSelected(List::Extensions, {0});
    typed = {"BAK"};
    model.edit(List::Extensions);
    load();
    EXPECT_EQ(model.lines(List::Files), std::vector<std::string>{"Thumbs.db"});
    EXPECT_EQ(model.lines(List::Extensions), std::vector<std::string>{"BAK"});
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ExceptionListsTest, AFailedSaveIsReported) {
    // A folder where the hive file belongs: no hive can be written, not even by root.
    std::filesystem::create_directories(sandbox.root() + "/registry/HKEY_CURRENT_USER.hive");
    typed = {"a.txt"};
    model.add(List::Files);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("Can't save the exception list"), std::string::npos);
}

TEST(ExceptionLists, NamesAndExtensionsMatchWholeLinesIgnoringCase) {
    const TExceptionLines files = {"Thumbs.db", "Résumé.doc"};
    const TExceptionLines exts = {"tmp", ".bak", "tar.gz", "crème"};
    struct Case {
        const char* name;
        bool excluded;
    };
    for (const Case& c :
         {Case{"x.TMP", true}, Case{"THUMBS.DB", true}, Case{"Thumbs.db.old", false},
          Case{"a.bak", false}, Case{"a.tar.gz", false}, Case{"tmp", false}, Case{"y.tmpx", false},
          Case{"RÉSUMÉ.DOC", true}, Case{"recette.CRÈME", true}, Case{"Resume.doc", false}})
        EXPECT_EQ(IsExcepted(c.name, files, exts), c.excluded) << c.name;
}

} // namespace
} // namespace qm

#include "app/runwindows/passwordmodel.h"

#include "scriptedmessages.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using Mode = TPasswordModel::Mode;

TEST(PasswordModel, PasswordsAreCaseSensitiveAndAKnownOneIsNotAddedTwice) {
    struct Case {
        const char* typed;
        int (TPasswordModel::*press)();
        std::vector<std::string> after;
        bool exists;
    };
    const std::vector<std::string> start = {"Secret"};
    const Case cases[] = {
        {"secret", &TPasswordModel::ok, {"Secret", "secret"}, false},
        {"Secret", &TPasswordModel::ok, {"Secret"}, false},
        {"Secret", &TPasswordModel::enter, {"Secret"}, true},
        {"SECRET", &TPasswordModel::enter, {"Secret", "SECRET"}, false},
        {"", &TPasswordModel::ok, {"Secret"}, false},
    };
    for (const Case& c : cases) {
        test::ScriptedMessages messages;
        TPasswordModel model(Mode::List, "Add Password for Decryption", messages.fn());
        model.load(start);
        model.setEdit(c.typed);
        EXPECT_EQ((model.*c.press)(), TPasswordModel::kOk) << c.typed;
        EXPECT_EQ(model.passwords(), c.after) << c.typed;
        EXPECT_EQ(messages.shown.size(), c.exists ? 1u : 0u) << c.typed;
    }
}

TEST(PasswordModel, SingleModeClosesOnAddAndTheListMasksOneStarPerCharacter) {
    TPasswordModel model(Mode::Single, "Enter Password for Encryption", {});
    model.setEdit("pass word");
    EXPECT_EQ(model.add(), TPasswordModel::kOk);
    model.load({"ab", "cde"});
    EXPECT_EQ(model.memoLines(), (std::vector<std::string>{"**", "***"}));
    model.setHidden(false);
    EXPECT_EQ(model.memoLines(), (std::vector<std::string>{"ab", "cde"}));
    EXPECT_EQ(TPasswordModel::promptFor("Add other password", "C:\\a.txt"),
              "C:\\a.txt is encrypted.\r\nAdd other password");
}

} // namespace
} // namespace qm

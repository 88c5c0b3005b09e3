#include "setup/installwizardmodel.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(InstallWizardModel, PagesChecksAndTheOptionsHandedToTheInstallation) {
    std::vector<std::string> messages;
    bool admin = false;
    TInstallOutcome outcome = TInstallOutcome::StayOnOptions;
    std::vector<TInstallOptions> installs;
    TInstallWizardModel::Actions actions;
    actions.message = [&](int kind, const std::string& text) {
        messages.push_back(std::to_string(kind) + "|" + text);
        return 1;
    };
    actions.isAdmin = [&] { return admin; };
    TInstallWizardModel* self = nullptr;
    actions.install = [&](const TInstallOptions& options) {
        installs.push_back(options);
        self->setPage(TInstallWizardModel::pg3);
        return outcome;
    };
    TInstallWizardModel model(actions);
    self = &model;
    model.FormActivate("C:\\opt\\Quillmoor");
    EXPECT_STREQ(model.pageName(), "pg1");
    EXPECT_FALSE(model.backPictureVisible());
    EXPECT_TRUE(model.allUsers() && model.allUsersEnabled());

    model.bbNextClick(); // the agreement is not accepted yet
    EXPECT_EQ(messages.back(), "0|Please select 'I accept the agreement' to continue.");
    EXPECT_EQ(model.page(), TInstallWizardModel::pg1);
    model.rb_AgreeClick();
    model.bbNextClick();
    EXPECT_EQ(model.page(), TInstallWizardModel::pg2);
    EXPECT_TRUE(model.backPictureVisible() && model.backEnabled());

    model.bbNextClick(); // all users without administrator rights
    EXPECT_EQ(messages.back(),
              "0|Installing Quillmoor for all users not allowed for this user account.");
    EXPECT_TRUE(installs.empty());
    model.setAllUsers(false);
    model.setAutoStart(false);
    model.setInstallPath(""); // the picker closed with no line chosen
    model.bbNextClick();      // the installation refuses; the wizard stays on the options
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0].installFolder, "");
    EXPECT_FALSE(installs[0].allUsers || installs[0].autoStart);
    EXPECT_EQ(model.page(), TInstallWizardModel::pg2);

    outcome = TInstallOutcome::Installed;
    model.setInstallPath("C:\\Apps\\Quillmoor");
    model.bbNextClick();
    EXPECT_EQ(model.page(), TInstallWizardModel::pg4);
    EXPECT_FALSE(model.backPictureVisible() || model.nextPictureVisible());
    EXPECT_FALSE(model.nextEnabled() || model.backEnabled());
    model.bbBackClick();
    model.bbNextClick();
    EXPECT_EQ(model.page(), TInstallWizardModel::pg4) << "only Exit is left";
    EXPECT_EQ(installs.size(), 2u);
}

} // namespace
} // namespace qm

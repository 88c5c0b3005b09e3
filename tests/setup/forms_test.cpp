#include "setup/forminstall.h"
#include "setup/formuninstal.h"

#include "platform/answerscript.h"
#include "platform/fileio.h"
#include "support/install/installsandbox.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <gtest/gtest.h>

namespace qm {
namespace {

// The windows' widgets carry their layout names, and clicks reach the installer and
// the uninstaller: a whole install and uninstall through the two windows.
TEST(SetupWindows, ClickingThroughTheWizardInstallsAndTheUninstallWindowRemoves) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    AnswerScript::instance().reset();
    AnswerScript::instance().start();
    TFormInstall wizard(test::InstallSandbox::kMedium,
                        std::string(test::InstallSandbox::kMedium) + "setup");
    wizard.show();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_EQ(wizard.geometry().center(), screenCentre) << "the wizard opens centred";
    auto* notebook = wizard.findChild<QStackedWidget*>("Notebook");
    ASSERT_NE(notebook, nullptr);
    EXPECT_NE(wizard.findChild<QTextBrowser*>("wb_Licence")->toPlainText().indexOf("License"), -1);
    wizard.findChild<QRadioButton*>("rb_Agree")->click();
    QTest::mouseClick(wizard.findChild<QWidget*>("ImageRegion2"), Qt::LeftButton);
    ASSERT_EQ(notebook->currentWidget()->objectName(), "pg2");
    auto* path = wizard.findChild<QLineEdit*>("edInstallPath");
    path->selectAll();
    QTest::keyClicks(path, "C:\\Apps\\Quillmoor");
    wizard.findChild<QCheckBox*>("chb_All")->setChecked(false);
    QTest::mouseClick(wizard.findChild<QWidget*>("ImageRegion2"), Qt::LeftButton);
    EXPECT_EQ(notebook->currentWidget()->objectName(), "pg4");
    EXPECT_FALSE(wizard.findChild<QWidget*>("imr_Back")->isVisible());
    EXPECT_FALSE(wizard.findChild<QWidget*>("ImageRegion2")->isVisible());
    EXPECT_EQ(sb.readFile("C:\\Apps\\Quillmoor\\Qmoor"), "the Qmoor program image");
    EXPECT_EQ(AnswerScript::instance().failures(), 0) << "no question was asked";

    AnswerScript::instance().addAnswer("Are you sure you want to continue", "6");
    AnswerScript::instance().addAnswer("successfully uninstalled", "1");
    TFormUninstal uninstall("C:\\Apps\\Quillmoor\\");
    uninstall.show();
    EXPECT_EQ(uninstall.geometry().center(), screenCentre);
    QTest::mouseClick(uninstall.findChild<QWidget*>("ImageRegion1"), Qt::LeftButton);
    EXPECT_FALSE(uninstall.isVisible());
    EXPECT_FALSE(std::filesystem::exists(sb.root() + "/C/Apps/Quillmoor"));
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
    EXPECT_TRUE(AnswerScript::instance().unusedAnswers().empty());
    AnswerScript::instance().reset();
}

} // namespace
} // namespace qm

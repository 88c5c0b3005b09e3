// One QApplication for the whole updater suite, made before the first test and destroyed
// after the last one. Offscreen unless the environment chose another platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class UpdaterSuiteEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        // The scripted server is local; a proxy from the environment must not stand between.
        qputenv("no_proxy", "127.0.0.1,localhost");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "updater_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new UpdaterSuiteEnvironment);

} // namespace

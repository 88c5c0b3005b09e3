// One QApplication for a whole Qt test program, made before the first test and destroyed
// after the last one, before the program's exit handlers run (Qt's input devices must go
// while Qt is still whole). Offscreen unless the environment chose another platform. The
// tests talk only to servers of their own on this machine: a proxy from the environment
// must never stand between.

#include <gtest/gtest.h>

#include <QApplication>
#include <cerrno>
#include <memory>

namespace {

class QtSuiteEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        qputenv("no_proxy", "127.0.0.1,localhost");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char* argv[] = {program_invocation_short_name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtSuiteEnvironment);

} // namespace

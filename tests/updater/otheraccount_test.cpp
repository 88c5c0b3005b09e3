// What another account controls steers nothing root does, in setup, the uninstaller and
// the updater: a title folder another account made first, the sudo user's registry
// naming another account's installation, a named pipe or a link to /dev/zero in the
// user's home, and the user's environment under sudo. Each row arranges one such input
// and runs one program's step on it; none may hang (the test's time-out is only the
// backstop), and each ends as a run without that input would.

#include "installedsandbox.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/windowtitle.h"
#include "setup/installstate.h"
#include "setup/uninstaller.h"
#include "support/install/installsandbox.h"
#include "support/rowname.h"
#include "testhttpserver.h"
#include "updater/updatermodel.h"
#include "updater/updateserver.h"

#include <QCoreApplication>
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kUser = 65534; // the account root runs for, or another account
constexpr const char* kFolder = "C:\\Program Files\\Quillmoor\\";

// A machine with the medium written, for root to install on and run the programs.
class Scene {
  public:
    Scene() {
        machine_.makeMedium("old main program", "old updater");
        // Others may pass through, as through any machine's folders; /tmp's own bits.
        ::chmod(sb_.root().c_str(), 0755);
    }

    std::string host(const std::string& below) const { return sb_.root() + "/" + below; }

    // Root installs; "alice" is the user setup names in User.dat.
    void install(bool allUsers) {
        const TInstallOutcome outcome = machine_.install({kFolder, allUsers});
        if (outcome != TInstallOutcome::Installed)
            throw std::runtime_error("the scene's install failed");
    }

    // From here on root runs through sudo for `name`, whose home and registry are its own.
    void playSudo(const char* name) {
        for (const char* folder : {"home", "registry"}) {
            ::lchown(host(folder).c_str(), kUser, kUser);
            for (const auto& entry : fs::recursive_directory_iterator(host(folder)))
                ::lchown(entry.path().c_str(), kUser, kUser);
        }
        ::setenv("SUDO_UID", std::to_string(kUser).c_str(), 1); // the sandbox restores it
        ::setenv("SUDO_USER", name, 1);
    }

    // A named pipe, or a link to /dev/zero, of the user's at `path`.
    void plant(const std::string& path, bool pipe) {
        fs::create_directories(fs::path(path).parent_path());
        fs::remove(path);
        if (pipe)
            ::mkfifo(path.c_str(), 0600);
        else
            fs::create_symlink("/dev/zero", path);
        ::lchown(path.c_str(), kUser, kUser);
    }

    std::string setupMode(const char* program, const std::string& folder) {
        switch (ChooseSetupMode(program, folder)) {
        case TSetupMode::Install:
            return "install wizard";
        case TSetupMode::Uninstall:
            return "uninstall window";
        case TSetupMode::UninstallWithoutUninstaller:
            return "uninstall window without uninstaller";
        case TSetupMode::RefuseWhileInstalled:
            return "asks to uninstall first";
        }
        return {};
    }

    std::string installNow(bool allUsers) {
        const TInstallOutcome outcome = machine_.install({kFolder, allUsers});
        return outcome == TInstallOutcome::Installed
                   ? "installed"
                   : "not installed: " + machine_.messages().back();
    }

    // The uninstall window's button, with the window's own probe of the main program.
    std::string uninstallNow() {
        std::vector<std::string> messages;
        TUninstallEnvironment env;
        env.message = [&](int kind, const std::string& text) {
            messages.push_back(text);
            return kind == 2 ? 6 : 1;
        };
        env.isAdmin = [] { return IsAdmin(); };
        env.mainWindowOpen = [] { return FindWindowByTitle(kMainWindowTitle); };
        const bool removed = TUninstaller(kFolder, env).bbUninstalClick();
        return removed ? "uninstalled" : "kept: " + messages.back();
    }

    // A visible updater that finds a release of one help page and installs it on Yes,
    // with the window's own probe of the main program.
    std::string updateNow() {
        test::TestHttpServer server;
        test::ScriptedReply check;
        check.body = "<result>NEW RELEASE</result>\r\n<descr>News.</descr>\r\n"
                     "<date>2026-15-03</date>\r\n<file_0><name>Help/News.htm</name>"
                     "<date>2026-14-03</date></file_0>\r\n";
        server.reply(test::kInstalledCheckTarget, check);
        test::ScriptedReply page;
        page.body = "<html>news</html>";
        server.reply("/software/updates/2026-15-03/Help/News.htm", page);
        QObject context;
        std::vector<std::string> messages;
        bool ended = false;
        std::unique_ptr<TUpdaterModel> model;
        TUpdaterModel::Actions a;
        a.post = [&](std::function<void()> task) {
            QMetaObject::invokeMethod(&context, std::move(task), Qt::QueuedConnection);
        };
        a.showWindow = [] {};
        a.hideWindow = [] {};
        a.windowVisible = [] { return true; };
        a.closeWindow = [&] { ended = ended || model->FormClose(); };
        a.SetTrayIcon = [](int) {};
        a.removeTrayIcon = [] {};
        a.IsMainProgramRunning = [] { return FindWindowByTitle(kMainWindowTitle); };
        a.IAmAdmin = [] { return IsAdmin(); };
        a.startProgram = [](const std::string&) {};
        a.busyCursor = [](bool) {};
        const auto message = [&](int kind, const std::string& text) {
            messages.push_back(text);
            return kind == 2 ? 7 : kind == 1 ? 2 : 1;
        };
        model = std::make_unique<TUpdaterModel>(
            message, a,
            TUpdaterModel::Config{*parseServerAddress(server.authority()), 2000,
                                  host("C/Program Files/Quillmoor")});
        if (!model->FormCreate({"updater"}))
            return "ended at the start";
        model->tmr_DownloadTimer();
        const auto runUntil = [&](const std::function<bool()>& done) {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!done() && std::chrono::steady_clock::now() < end) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                model->tmr_UpdateTimer();
            }
        };
        runUntil([&] { return model->state() != TUpdaterModel::State::Checking; });
        if (model->state() != TUpdaterModel::State::Offered)
            return "no offer: " + (messages.empty() ? std::string() : messages.back());
        model->imr_YesClick();
        runUntil([&] { return ended; });
        return messages.empty() ? "no end" : messages.back();
    }

  private:
    test::Sandbox sb_;
    test::InstallSandbox machine_{sb_};
};

// The variables of `watched` the program's start leaves to its QApplication, run by root
// with `extra` added to the sandbox's environment (a probe program ends the start there).
std::string environmentAtStart(const char* probe, const std::vector<std::string>& extra,
                               const std::string& pluginFolder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString folder = QString::fromStdString(pluginFolder);
    for (const char* name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QML2_IMPORT_PATH",
                             "QML_IMPORT_PATH", "QUILLMOOR_ANSWERS_LOG"})
        env.insert(name, folder);
    env.insert("QT_STYLE_OVERRIDE", "userstyle");
    env.insert("QT_QPA_PLATFORMTHEME", "usertheme");
    for (const std::string& pair : extra) {
        const size_t equals = pair.find('=');
        env.insert(QString::fromStdString(pair.substr(0, equals)),
                   QString::fromStdString(pair.substr(equals + 1)));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QString::fromUtf8(probe), {});
    if (!process.waitForFinished(60000))
        return "the start did not end";
    const QList<QByteArray> names = process.readAllStandardOutput().split('\n');
    std::string seen;
    for (const char* watched :
         {"QUILLMOOR_REGISTRY_DIR", "QUILLMOOR_ANSWERS_LOG", "QT_PLUGIN_PATH",
          "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME",
          "QML2_IMPORT_PATH", "QML_IMPORT_PATH", "QT_QPA_PLATFORM"})
        if (names.contains(QByteArray(watched)))
            seen += (seen.empty() ? "" : " ") + std::string(watched);
    return seen;
}

constexpr const char* kAllKept =
    "QUILLMOOR_REGISTRY_DIR QUILLMOOR_ANSWERS_LOG QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH "
    "QT_STYLE_OVERRIDE QT_QPA_PLATFORMTHEME QML2_IMPORT_PATH QML_IMPORT_PATH QT_QPA_PLATFORM";

#ifndef QM_SETUP_STARTPROBE
#define QM_SETUP_STARTPROBE ""
#endif
#ifndef QM_UPDATER_STARTPROBE
#define QM_UPDATER_STARTPROBE ""
#endif
#ifndef QM_QMOOR_STARTPROBE
#define QM_QMOOR_STARTPROBE ""
#endif

struct Row {
    const char* name;
    std::function<std::string(Scene&)> run; // arranges the input, runs the step
    std::string expected;
};

// Root's own run: a title folder another account made first, with a program of theirs
// answering under the main window's title.
std::string inSquattedTitleFolder(Scene& scene, const std::function<std::string()>& step) {
    const std::string folder = scene.host("squatted");
    ::setenv("QUILLMOOR_IPC_DIR", folder.c_str(), 1); // the sandbox restores it
    const auto squatter = WindowTitleOwner::registerTitle(kMainWindowTitle);
    if (!squatter || ::chown(folder.c_str(), kUser, kUser) != 0)
        return "cannot arrange the squatted folder";
    return step();
}

// Through sudo for bob, whose registry names alice's installation (User.dat: alice).
std::string withAlicesInstallationInBobsRegistry(Scene& scene, const char* sudoUser,
                                                 const std::function<std::string()>& step) {
    scene.install(false);
    scene.playSudo(sudoUser);
    return step();
}

std::string userDirs(Scene& scene) {
    return scene.host("home/.config/user-dirs.dirs");
}

std::string userHive(Scene& scene) {
    return scene.host("registry/HKEY_CURRENT_USER.hive");
}

const Row kRows[] = {
    {"uninstaller_squatted_title_folder",
     [](Scene& s) {
         s.install(true);
         return inSquattedTitleFolder(s, [&] { return s.uninstallNow(); });
     },
     "uninstalled"},
    {"updater_squatted_title_folder",
     [](Scene& s) {
         s.install(true);
         return inSquattedTitleFolder(s, [&] { return s.updateNow(); });
     },
     "Update with new release complete."},
    {"setup_bobs_registry_names_alices_installation",
     [](Scene& s) {
         return withAlicesInstallationInBobsRegistry(s, "bob", [&] {
             fs::remove(s.host("C/Program Files/Quillmoor/Uninstall"));
             return s.setupMode("setup", test::InstallSandbox::kMedium);
         });
     },
     "install wizard"},
    {"uninstaller_bobs_registry_names_alices_installation",
     [](Scene& s) {
         return withAlicesInstallationInBobsRegistry(
             s, "bob", [&] { return s.setupMode("Uninstall", kFolder); });
     },
     "install wizard"},
    {"uninstaller_alices_registry_names_her_installation",
     [](Scene& s) {
         return withAlicesInstallationInBobsRegistry(
             s, "alice", [&] { return s.setupMode("Uninstall", kFolder); });
     },
     "uninstall window"},
    {"setup_pipe_at_user_dirs",
     [](Scene& s) {
         s.playSudo("alice");
         s.plant(userDirs(s), true);
         return s.installNow(false);
     },
     "installed"},
    {"setup_dev_zero_at_user_dirs",
     [](Scene& s) {
         s.playSudo("alice");
         s.plant(userDirs(s), false);
         return s.installNow(false);
     },
     "installed"},
    {"uninstaller_pipe_at_user_dirs",
     [](Scene& s) {
         s.playSudo("alice");
         s.install(false);
         s.plant(userDirs(s), true);
         return s.uninstallNow();
     },
     "uninstalled"},
    {"uninstaller_dev_zero_at_user_dirs",
     [](Scene& s) {
         s.playSudo("alice");
         s.install(false);
         s.plant(userDirs(s), false);
         return s.uninstallNow();
     },
     "uninstalled"},
    // A hive that is no file is neither waited for nor taken as empty: the install stops
    // with its message and installs nothing, the uninstall keeps what it could not finish.
    {"setup_pipe_at_user_hive",
     [](Scene& s) {
         s.playSudo("alice");
         s.plant(userHive(s), true);
         const std::string outcome = s.installNow(true);
         return outcome.find("could not be changed. Nothing was installed") != std::string::npos
                    ? "refused"
                    : outcome;
     },
     "refused"},
    {"uninstaller_pipe_at_user_hive",
     [](Scene& s) {
         s.playSudo("alice");
         s.install(true);
         s.plant(userHive(s), true);
         return s.uninstallNow();
     },
     "kept: Quillmoor could not be removed completely: its registry entries could not be "
     "deleted. The uninstaller was kept; please run it again as the user who installed "
     "Quillmoor."},
    {"updater_pipe_at_user_hive",
     [](Scene& s) {
         s.install(true);
         s.playSudo("alice");
         s.plant(userHive(s), true);
         return s.updateNow();
     },
     "Update with new release complete."},
    {"setup_environment_through_sudo",
     [](Scene& s) {
         return environmentAtStart(QM_SETUP_STARTPROBE, {"SUDO_UID=65534"}, s.host("plugins"));
     },
     "QT_QPA_PLATFORM"},
    {"setup_environment_through_pkexec",
     [](Scene& s) {
         return environmentAtStart(QM_SETUP_STARTPROBE, {"PKEXEC_UID=65534"}, s.host("plugins"));
     },
     "QT_QPA_PLATFORM"},
    {"setup_environment_of_roots_own_run",
     [](Scene& s) { return environmentAtStart(QM_SETUP_STARTPROBE, {}, s.host("plugins")); },
     kAllKept},
    {"setup_environment_of_sudo_for_root",
     [](Scene& s) {
         return environmentAtStart(QM_SETUP_STARTPROBE, {"SUDO_UID=0"}, s.host("plugins"));
     },
     kAllKept},
    {"updater_environment_through_sudo",
     [](Scene& s) {
         return environmentAtStart(QM_UPDATER_STARTPROBE, {"SUDO_UID=65534"}, s.host("plugins"));
     },
     "QT_QPA_PLATFORM"},
    {"updater_environment_of_roots_own_run",
     [](Scene& s) { return environmentAtStart(QM_UPDATER_STARTPROBE, {}, s.host("plugins")); },
     kAllKept},
    {"qmoor_environment_through_sudo",
     [](Scene& s) {
         return environmentAtStart(QM_QMOOR_STARTPROBE, {"SUDO_UID=65534"}, s.host("plugins"));
     },
     "QT_QPA_PLATFORM"},
    {"qmoor_environment_of_roots_own_run",
     [](Scene& s) { return environmentAtStart(QM_QMOOR_STARTPROBE, {}, s.host("plugins")); },
     kAllKept},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class WhatAnotherAccountControls : public testing::TestWithParam<Row> {};

TEST_P(WhatAnotherAccountControls, SteersNothingRootDoes) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to stand for another account";
    Scene scene;
    EXPECT_EQ(GetParam().run(scene), GetParam().expected);
    // Each row runs in a process of its own: its peak is the row's. A file of the user's
    // read without a cap (/dev/zero) would have grown it by gigabytes.
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_SELF, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 256L * 1024) << "kilobytes at the peak";
}

INSTANTIATE_TEST_SUITE_P(Rows, WhatAnotherAccountControls, testing::ValuesIn(kRows),
                         test::RowsNamedBy([](const Row& row) { return std::string(row.name); }));

} // namespace
} // namespace qm

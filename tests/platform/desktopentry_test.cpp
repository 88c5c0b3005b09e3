#include "platform/desktopentry.h"

#include "platform/autostartentry.h"
#include "platform/fileio.h"
#include "platform/shelllink.h"
#include "support/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A shortcut is written only into the folder asked for: a link planted where its
// temporary file used to be, or a link on the way in a folder anyone may write, leads
// the write nowhere else.
TEST(DesktopEntry, AShortcutNeverWritesThroughAPlantedLink) {
    test::Sandbox sb;
    const std::string c = sb.hostOf('C');
    const std::string secret = sb.writeFile("C:\\private\\secret", "root only");
    ::chmod(secret.c_str(), 0600);
    sb.writeFile("C:\\menu\\other.desktop", "[Desktop Entry]\n");
    fs::create_directories(c + "/shared");
    ::chmod((c + "/shared").c_str(), 0777);
    fs::create_symlink(c + "/menu", c + "/shared/menu");
    fs::create_symlink(secret, c + "/menu/Quillmoor.desktop.tmp");

    struct Row {
        const char* folder;
        bool written;
    } rows[] = {{"C:\\menu", true}, {"C:\\shared\\menu", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        fs::remove(c + "/menu/Quillmoor.desktop");
        const auto link = CreateShellLink(row.folder, "Quillmoor.lnk", "C:\\app\\Qmoor", "C:\\app");
        EXPECT_EQ(link.has_value(), row.written);
        EXPECT_EQ(sb.readFile("C:\\private\\secret"), "root only");
        EXPECT_EQ(modeOf(secret), 0600u);
        EXPECT_EQ(fs::exists(c + "/menu/Quillmoor.desktop"), row.written);
        if (row.written) {
            EXPECT_EQ(modeOf(c + "/menu/Quillmoor.desktop"), 0755u);
        }
        // Nothing but the entry and what was there.
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(c + "/menu"))
            ++entries;
        EXPECT_EQ(entries, row.written ? 3u : 2u);
    }
}

// The all-users autostart folder and any parent it lacks are made readable for every
// user, whatever the umask; a user's own stays private.
TEST(DesktopEntry, MissingAutostartFoldersGetTheModeTheirReadersNeed) {
    test::Sandbox sb;
    ::setenv("QUILLMOOR_SYSTEM_ROOT", (sb.root() + "/system").c_str(), 1);
    const mode_t umaskBefore = ::umask(077);
    const bool machine = writeAutostartEntry(machineAutostartFolder(), "/opt/q/Qmoor", true);
    const bool user = writeAutostartEntry(userAutostartFolder(), "/opt/q/Qmoor", true);
    ::umask(umaskBefore);
    ::unsetenv("QUILLMOOR_SYSTEM_ROOT");
    ASSERT_TRUE(machine);
    ASSERT_TRUE(user);
    for (const char* folder :
         {"/system", "/system/etc", "/system/etc/xdg", "/system/etc/xdg/autostart"})
        EXPECT_EQ(modeOf(sb.root() + folder), 0755u) << folder;
    EXPECT_EQ(modeOf(sb.root() + "/system/etc/xdg/autostart/quillmoor.desktop"), 0644u);
    EXPECT_EQ(modeOf(sb.root() + "/config/autostart"), 0700u);
}

} // namespace
} // namespace qm

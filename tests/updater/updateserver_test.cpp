#include "updater/updateserver.h"

#include "platform/registry.h"
#include "support/sandbox.h"

#include <cstdlib>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(UpdateServer, TheEnvironmentWinsThenTheMachineSettingThenTheDefault) {
    test::Sandbox sandbox;
    unsetenv("QUILLMOOR_UPDATE_SERVER");
    EXPECT_EQ(updateServer().authority(), kDefaultUpdateServer);
    if (::geteuid() == 0) {
        Registry machine(RegistryRoot::LocalMachine);
        ASSERT_TRUE(machine.openKey("\\SOFTWARE\\Quillmoor\\Update", true));
        machine.writeString("Server", "updates.example.net:8080");
        EXPECT_EQ(updateServer().authority(), "updates.example.net:8080");
    }
    setenv("QUILLMOOR_UPDATE_SERVER", "127.0.0.1:81", 1);
    EXPECT_EQ(checkUrl(updateServer(), "2026-01-03"),
              "http://127.0.0.1:81/software/updates/quillmoor.php?date=2026-01-03");
    setenv("QUILLMOOR_UPDATE_SERVER", "evil.example/path?x=", 1);
    EXPECT_NE(updateServer().authority(), "evil.example/path?x=") << "only a host and a port";
    unsetenv("QUILLMOOR_UPDATE_SERVER");
    for (const char* bad : {"", ":80", "host:0", "host:65536", "host:8o", "-host", "a b"})
        EXPECT_FALSE(parseServerAddress(bad)) << bad;
    EXPECT_EQ(releaseFileUrl(*parseServerAddress("h"), "2026-15-03", "Help/Back up.htm"),
              "http://h/software/updates/2026-15-03/Help/Back%20up.htm");
}

} // namespace
} // namespace qm

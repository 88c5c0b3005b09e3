#pragma once
// Where the update server is, how long a transfer may go without an answer, and the
// addresses of the update check and of a release's files. The server is
// QUILLMOOR_UPDATE_SERVER when set, else the string value "Server" of
// "\SOFTWARE\Quillmoor\Update" under HKEY_LOCAL_MACHINE, else kDefaultUpdateServer; each
// is "host" or "host:port" (port 80 when none is given). QUILLMOOR_UPDATE_TIMEOUT_MS
// shortens the 20-second time-out (tests).

#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct UpdateServerAddress {
    std::string host;
    int port = 80;

    // "host" or "host:port" when the port is not 80.
    std::string authority() const;
};

inline constexpr std::string_view kDefaultUpdateServer = "update.quillmoor.org";
inline constexpr int kDefaultUpdateTimeoutMs = 20000;

// A host name or IPv4 address with an optional port; nothing for anything else, so the
// text can never change the request beyond the host it names.
std::optional<UpdateServerAddress> parseServerAddress(std::string_view text);
UpdateServerAddress updateServer();
int updateTimeoutMs();

// "http://<server>/software/updates/quillmoor.php?date=<installed date>".
std::string checkUrl(const UpdateServerAddress& server, std::string_view installedDate);
// "http://<server>/software/updates/<release date>/<name>", the name's bytes other than
// letters, digits, "/", "-", ".", "_" and "~" written as %XX.
std::string releaseFileUrl(const UpdateServerAddress& server, std::string_view releaseDate,
                           std::string_view name);

} // namespace qm

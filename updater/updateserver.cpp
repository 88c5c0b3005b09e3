#include "updater/updateserver.h"

#include "platform/productkeys.h"
#include "platform/registry.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace qm {

namespace {

bool hostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
}

std::optional<int> parseNumber(std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string percentEncoded(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

} // namespace

std::string UpdateServerAddress::authority() const {
    return port == 80 ? host : host + ":" + std::to_string(port);
}

std::optional<UpdateServerAddress> parseServerAddress(std::string_view text) {
    UpdateServerAddress address;
    const size_t colon = text.find(':');
    std::string_view host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        const std::optional<int> port = parseNumber(text.substr(colon + 1), 1, 65535);
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    if (host.empty() || host.size() > 253 || host.front() == '-' || host.front() == '.')
        return std::nullopt;
    for (char c : host)
        if (!hostCharacter(c))
            return std::nullopt;
    address.host = std::string(host);
    return address;
}

UpdateServerAddress updateServer() {
    std::string text;
    const char* source = "QUILLMOOR_UPDATE_SERVER";
    if (const char* env = std::getenv("QUILLMOOR_UPDATE_SERVER"); env && *env) {
        text = env;
    } else {
        source = "the registry value Server";
        Registry registry(RegistryRoot::LocalMachine);
        if (!registry.openKeyReadOnly(kUpdateKey) ||
            registry.readString(kUpdateServerValue, text) != RegistryStatus::Ok)
            text.clear();
    }
    if (!text.empty()) {
        if (std::optional<UpdateServerAddress> address = parseServerAddress(text))
            return *address;
        std::fprintf(stderr, "updater: %s (\"%s\") is not a host or host:port; using %s\n", source,
                     text.c_str(), std::string(kDefaultUpdateServer).c_str());
    }
    return *parseServerAddress(kDefaultUpdateServer);
}

int updateTimeoutMs() {
    const char* env = std::getenv("QUILLMOOR_UPDATE_TIMEOUT_MS");
    if (!env || !*env)
        return kDefaultUpdateTimeoutMs;
    return parseNumber(env, 1, 600000).value_or(kDefaultUpdateTimeoutMs);
}

std::string checkUrl(const UpdateServerAddress& server, std::string_view installedDate) {
    return "http://" + server.authority() +
           "/software/updates/quillmoor.php?date=" + percentEncoded(installedDate);
}

std::string releaseFileUrl(const UpdateServerAddress& server, std::string_view releaseDate,
                           std::string_view name) {
    return "http://" + server.authority() + "/software/updates/" + percentEncoded(releaseDate) +
           "/" + percentEncoded(name);
}

} // namespace qm

// Throughput of our AES-CFB stream (AES instructions and round tables) next to
// OpenSSL's AES-CFB128 on the same 8 MiB buffer, the block size of a backup.
// Prints MB/s per direction and key size and our share of OpenSSL's speed.

#include "engine/aesstream.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr std::size_t kBufferBytes = 8u << 20;
constexpr int kRepeats = 5;

using TClock = std::chrono::steady_clock;

// Best of kRepeats timings of one pass over the buffer, in MB/s.
double MegabytesPerSecond(const std::function<void()>& Pass) {
    double best = 0;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = TClock::now();
        Pass();
        const double s = std::chrono::duration<double>(TClock::now() - start).count();
        best = std::max(best, kBufferBytes / s / 1e6);
    }
    return best;
}

const EVP_CIPHER* Cfb(int Bits) {
    if (Bits == 192)
        return EVP_aes_192_cfb128();
    if (Bits == 256)
        return EVP_aes_256_cfb128();
    return EVP_aes_128_cfb128();
}

double OpenSsl(int Bits, const std::uint8_t* Key, std::vector<std::uint8_t>& Buf, bool Encrypt) {
    const std::uint8_t iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::vector<std::uint8_t> out(Buf.size() + 16);
    const double mbs = MegabytesPerSecond([&] {
        int len = 0;
        EVP_CipherInit_ex(ctx, Cfb(Bits), nullptr, Key, iv, Encrypt ? 1 : 0);
        EVP_CipherUpdate(ctx, out.data(), &len, Buf.data(), static_cast<int>(Buf.size()));
    });
    EVP_CIPHER_CTX_free(ctx);
    return mbs;
}

double Ours(qm::TRijndael::TPath Path, int Bits, const std::uint8_t* Key,
            std::vector<std::uint8_t>& Buf, bool Encrypt) {
    qm::TAESStream s(Path);
    s.SetKey(Key, Bits);
    const std::uint8_t iv[16] = {};
    return MegabytesPerSecond([&] {
        s.SetIV(iv);
        Encrypt ? s.Encrypt(Buf.data(), Buf.size()) : s.Decrypt(Buf.data(), Buf.size());
    });
}

} // namespace

int main() {
    std::vector<std::uint8_t> buf(kBufferBytes);
    for (std::size_t i = 0; i < buf.size(); ++i)
        buf[i] = static_cast<std::uint8_t>(i * 131 + 7);
    std::uint8_t key[32];
    for (int i = 0; i < 32; ++i)
        key[i] = static_cast<std::uint8_t>(i * 17 + 1);

    const bool hw = qm::TRijndael::HardwareAvailable();
    std::printf("AES-CFB over %zu bytes, best of %d; CPU AES instructions: %s\n", kBufferBytes,
                kRepeats, hw ? "yes" : "no");
    std::printf("%-4s %-8s %12s %12s %12s %10s\n", "bits", "dir", "ours-hw", "ours-table",
                "openssl", "hw/openssl");
    for (int bits : {128, 192, 256}) {
        for (bool encrypt : {true, false}) {
            const double ours = hw ? Ours(qm::TRijndael::TPath::Auto, bits, key, buf, encrypt) : 0;
            const double table = Ours(qm::TRijndael::TPath::Table, bits, key, buf, encrypt);
            const double ref = OpenSsl(bits, key, buf, encrypt);
            std::printf("%-4d %-8s %12.0f %12.0f %12.0f %10.2f\n", bits,
                        encrypt ? "encrypt" : "decrypt", ours, table, ref, ours / ref);
        }
    }
    return 0;
}

#include "engine/passwordprobe.h"

#include "engine/aesstream.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/jobcipher.h"
#include "engine/keymanager.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>

namespace qm {

namespace {

int nextKeySize(int size) {
    if (size == 128)
        return 192;
    if (size == 192)
        return 256;
    return 128;
}

} // namespace

PasswordProbe::PasswordProbe(KeySizes Sizes, TReadStored ReadStored)
    : fSizes(Sizes), fReadStored(std::move(ReadStored)) {}

bool PasswordProbe::TryLine(const std::string& Password, const std::optional<TCheckBytes>& Stored) {
    TEngineState& engine = Engine();
    TAESStream* stream = engine.JobCipher ? engine.JobCipher->Stream() : nullptr;
    if (!stream || !Stored)
        return false;
    std::string cut = Password.substr(0, std::min(Password.size(), kMaxPasswordLength));
    if (!PasswordToKey(cut, engine.KeyBuffer.data(), engine.KeySize))
        return false;
    const std::array<uint8_t, 16> zeroIV{};
    stream->SetKey(engine.KeyBuffer.data(), engine.KeySize);
    stream->SetIV(zeroIV.data());
    TCheckBytes bytes = *Stored;
    stream->Decrypt(bytes.data(), bytes.size());
    return std::equal(bytes.begin(), bytes.end(), CheckValue.begin());
}

bool PasswordProbe::PassOverList(const std::optional<TCheckBytes>& Stored) {
    TEngineState& engine = Engine();
    // The list may grow while the prompt shows, so its size is read on every step.
    for (size_t line = 0; line < engine.PasswordList.size(); ++line) {
        if (fSizes == KeySizes::Current) {
            if (TryLine(engine.PasswordList[line], Stored))
                return true;
            continue;
        }
        for (int tries = 0; tries < 3; ++tries) {
            if (TryLine(engine.PasswordList[line], Stored))
                return true;
            engine.KeySize = nextKeySize(engine.KeySize);
        }
    }
    return false;
}

std::optional<TCheckBytes> PasswordProbe::ReadCheckFile(const std::string& CopyPath, bool& Failed) {
    FileHandle file = FileHandle::open(CheckFileName(CopyPath), OpenMode::Read);
    if (!file.isOpen()) {
        Failed = errno != ENOENT && errno != ENOTDIR;
        return std::nullopt;
    }
    TCheckBytes bytes{};
    if (!file.readExact(bytes.data(), static_cast<int64_t>(bytes.size()))) {
        Failed = true; // there, but cut short or failing
        return std::nullopt;
    }
    return bytes;
}

PasswordCheck PasswordProbe::Run(const std::string& PromptPath) {
    TEngineState& engine = Engine();
    if (fSizes == KeySizes::AllThree)
        engine.KeySize = 128;
    for (;;) {
        bool failed = false;
        const std::optional<TCheckBytes> stored = fReadStored(failed);
        if (failed)
            return PasswordCheck::Unreadable;
        if (PassOverList(stored))
            return PasswordCheck::Opened;
        int32_t answer = engine.AskPassword(PromptPath);
        if (answer == 2)
            return PasswordCheck::Skip;
        if (answer == 3) {
            engine.SkipEncrypted = true;
            return PasswordCheck::SkipAll;
        }
    }
}

} // namespace qm

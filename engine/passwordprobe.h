#pragma once
// The password search of the restore runs: try the lines of PasswordList against a
// stored, encrypted check value until one opens it, and ask the user (AskPasswordProc)
// after every full pass. The probe borrows the engine's job cipher, which the caller
// has initialised; a match leaves the cipher keyed and 8 bytes into the stream, and
// KeySize and KeyBuffer at the key that matched.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

using TCheckBytes = std::array<uint8_t, 8>;

class PasswordProbe {
  public:
    // Which key sizes each line is tried at.
    enum class KeySizes {
        Current,  // the engine's KeySize only
        AllThree, // 128, 192, 256 for every line; KeySize starts at 128
    };
    // Reads the stored check value; none when there is none whole (which matches
    // nothing). Failed set: it is there but reading it failed, so no password can be
    // told right or wrong, and the probe answers kUnreadable without asking.
    using TReadStored = std::function<std::optional<TCheckBytes>(bool& Failed)>;
    static constexpr int kUnreadable = -1;

    PasswordProbe(KeySizes Sizes, TReadStored ReadStored);

    // 0 when a password opens it; 2 when the prompt answers 2; 3 when it answers 3
    // (SkipEncrypted is then set); kUnreadable when the check value could not be read.
    // PromptPath is what the prompt names.
    int Run(const std::string& PromptPath);

    // The 8 bytes of CopyPath + ".mac"; none when the check file cannot be read whole,
    // with Failed set when it is there but cannot be opened or read whole (a damaged
    // backup rather than one whose check file is missing).
    static std::optional<TCheckBytes> ReadCheckFile(const std::string& CopyPath, bool& Failed);

  private:
    bool TryLine(const std::string& Password, const std::optional<TCheckBytes>& Stored);
    bool PassOverList(const std::optional<TCheckBytes>& Stored);

    KeySizes fSizes;
    TReadStored fReadStored;
};

} // namespace qm

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

// What a password search ended with.
enum class PasswordCheck {
    Opened,     // a line of PasswordList opens it
    Skip,       // the prompt's Skip or Cancel: this file is left out
    SkipAll,    // the prompt's Skip all: SkipEncrypted is set, every encrypted file is left out
    Unreadable, // the check value is there but could not be read: a damaged backup, which
                // no password can be told right or wrong for
};

class PasswordProbe {
  public:
    // Which key sizes each line is tried at.
    enum class KeySizes {
        Current,  // the engine's KeySize only
        AllThree, // 128, 192, 256 for every line; KeySize starts at 128
    };
    // Reads the stored check value; none when there is none whole (which matches
    // nothing). Failed set: it is there but reading it failed, so no password can be
    // told right or wrong, and the probe answers Unreadable without asking.
    using TReadStored = std::function<std::optional<TCheckBytes>(bool& Failed)>;

    PasswordProbe(KeySizes Sizes, TReadStored ReadStored);

    // Opened when a password opens it, else what the prompt answered (2 Skip, 3 Skip
    // all, which sets SkipEncrypted); Unreadable when the check value could not be read.
    // PromptPath is what the prompt names.
    PasswordCheck Run(const std::string& PromptPath);

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

#pragma once
// Registry access for the three programs: a root (HKCU, HKLM, HKCR), one open key at a
// time, and typed values read and written in the hive files of HiveStore. Every call
// reads the hive as stored at that moment (HiveStore parses the file again only when it
// changed), so two programs see each other's changes at once; reading takes no lock,
// and a write that stores what is already there (a key opened with create, a value
// written back unchanged) takes no lock and writes nothing.
//
// Routines that read or write several values batch them: beginBatch() reads the hive
// once, and commit() writes every change in one go, so a hundred values cost one read
// and at most one write:
//
//     Registry registry;
//     registry.beginBatch();
//     if (registry.openKey(kKey, true)) { registry.writeDword("A", 1); ... }
//     if (registry.commit() != RegistryStatus::Ok) { ...tell the user... }
//
// Paths starting with '\' are taken from the root, others from the open key. Key and
// value names compare without regard to ASCII case and keep the case first written; the
// empty value name is the key's default value. A Registry object owns nothing but its
// open key's path and, while batching, its copy of the hive; make one per routine.

#include "platform/hivestore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class Registry {
  public:
    explicit Registry(RegistryRoot root = RegistryRoot::CurrentUser) : root_(root) {}
    ~Registry();
    Registry(Registry&&) noexcept;
    Registry& operator=(Registry&&) noexcept;

    RegistryRoot root() const { return root_; }

    // Opens a key for reading and writing, creating it (and its parents) when
    // `canCreate`. Fails on a machine root without administrator rights, as opening a
    // machine key for writing does on Windows.
    bool openKey(std::string_view path, bool canCreate);
    // Opens an existing key for reading; writes through it fail with AccessDenied.
    bool openKeyReadOnly(std::string_view path);
    // Back to the root key.
    void closeKey();
    // The open key's path from the root, names joined by '\' (empty for the root).
    std::string currentPath() const;

    bool keyExists(std::string_view path) const;
    // Both fail with AccessDenied while a key is open read-only.
    bool createKey(std::string_view path);
    // Deletes the key with every key and value below it.
    bool deleteKey(std::string_view path);

    // Empties the key (values and sub-keys; created when missing) and writes `values`
    // into it, all in one write of the hive: readers see the old key or the new one.
    bool replaceKey(std::string_view path, const std::vector<HiveValue>& values);

    bool valueExists(std::string_view name) const;
    // RegistryValueType::None when the value does not exist.
    RegistryValueType valueType(std::string_view name) const;
    // Value names in the order they were first written; sub-key names in creation order.
    std::vector<std::string> valueNames() const;
    std::vector<std::string> subKeyNames() const;
    // The value names of the key at `path` (from the open key unless it starts with '\'),
    // without opening it; empty when it is missing.
    std::vector<std::string> valueNames(std::string_view path) const;

    RegistryStatus readString(std::string_view name, std::string& out) const;
    RegistryStatus readDword(std::string_view name, uint32_t& out) const;
    RegistryStatus readBinary(std::string_view name, std::string& out) const;
    RegistryStatus writeString(std::string_view name, std::string_view value);
    RegistryStatus writeDword(std::string_view name, uint32_t value);
    RegistryStatus writeBinary(std::string_view name, std::string_view bytes);
    bool deleteValue(std::string_view name);

    // The outcome of the last call that failed or succeeded.
    RegistryStatus lastStatus() const { return lastStatus_; }

    // Batching. beginBatch() reads the hive once; from then on this object's reads come
    // from that copy and its changes are made to the copy and kept (they report their
    // outcome at once: a missing key, a read-only key, a machine root without rights).
    // commit() applies the kept changes, in order, to the hive as stored at that moment
    // and writes it once; all of them or, when one fails there, none. Changes other
    // programs made meanwhile stay unless a kept change overwrites them. discard(), a
    // second beginBatch() or the end of the object drop changes not committed. Without
    // a batch, commit() does nothing and returns Ok.
    RegistryStatus beginBatch();
    RegistryStatus commit();
    void discard();
    bool batching() const { return batch_ != nullptr; }

  private:
    using Reader = std::function<RegistryStatus(const HiveKey&)>;
    // Runs on a hive and may run more than once (a look before the lock, then under it):
    // it must depend on nothing but the hive it is given.
    using Change = std::function<RegistryStatus(HiveKey& hive, bool& changed)>;

    std::vector<std::string> resolve(std::string_view path) const;
    bool makeKey(const std::vector<std::string>& names);
    bool remember(RegistryStatus status) const;
    RegistryStatus readValue(std::string_view name, RegistryValueType type, HiveValue& out) const;
    // Runs `reader` on the open key as stored now (KeyMissing when it is gone) and
    // remembers the outcome.
    RegistryStatus readOpenKey(const Reader& reader) const;
    RegistryStatus writeValue(HiveValue value);
    // The hive as stored now, or the batch's copy.
    RegistryStatus readHive(const Reader& reader) const;
    // Makes `change` on the hive, or on the batch's copy and keeps it.
    RegistryStatus changeHive(Change change);

    RegistryRoot root_;
    std::vector<std::string> key_; // names from the root down
    bool readOnly_ = false;
    mutable RegistryStatus lastStatus_ = RegistryStatus::Ok;
    std::unique_ptr<HiveKey> batch_; // the batch's copy of the hive, null outside a batch
    std::vector<Change> pending_;    // the batch's changes, in order
};

// The administrator probe of the three programs: creates and deletes the key
// "Software\Quill_Moor_Tmp" under HKEY_LOCAL_MACHINE (deletes it when it exists).
// True when that succeeded, or failed for another reason than a refusal (AccessDenied):
// a machine hive that is busy or damaged does not make an administrator an ordinary user.
bool IsAdmin();

} // namespace qm

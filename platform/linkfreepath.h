#pragma once
// How platform/fileio.cpp reaches a path below a LinkFreeFolder so that nothing on the
// drive can redirect it: from the drive's root one folder at a time, each opened
// relative to the one before without following a link, and then acted on relative to
// the folder that holds the last name (openat, unlinkat, renameat, ...). A check by path
// followed by an act by path would leave a moment in which a folder can be swapped for a
// link; a folder opened this way cannot be swapped.
//
// The folders opened last are kept, a few at a time, so a run does not walk from the
// root for every file: a descriptor goes on naming the folder that was real when it was
// opened, whatever is later put at its name, so keeping one never leads through a link.
// A kept folder that was deleted since is dropped. Only fileio.cpp uses this.

#include "platform/uniquefd.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

class LinkFreePath {
  public:
    // The path on the host, with the host folder of its drive's root (Root) from which it
    // is walked. Both as toHostPath gives them.
    LinkFreePath(std::string Root, std::string Host);

    // Opens the folder that holds the last name (the drive's root for the root itself).
    // False, errno set (ELOOP for a link on the way), when a folder on the way is missing,
    // no folder or a link.
    bool OpenHolder();
    // Opens the path itself as a folder. With Make, missing folders are made (0755 less
    // the umask), once Make has allowed it; it is asked at most once, and only when
    // something is missing.
    bool OpenAsFolder(const std::function<bool()>& Make = nullptr);

    // The folder opened last, and the last name relative to it ("." when the path is that
    // folder itself).
    int Folder() const { return fFolder ? fFolder->get() : -1; }
    const char* Name() const { return fName.c_str(); }
    const std::string& Host() const { return fHost; }
    // False (errno ELOOP) when the last name is a symbolic link; true when it is anything
    // else or missing.
    bool NameIsNoLink() const;

    // Kept folders at or below HostPath go (a folder renamed or removed); all of them go
    // when the guarded folders change or a run starts.
    static void Forget(const std::string& HostPath);
    static void ForgetAll();

    // Whether Host is reached from Root through real folders only: no name on the way, its
    // own included, is a symbolic link (a missing name ends the walk). Walks afresh.
    static bool ReachedWithoutLinks(const std::string& Root, const std::string& Host);

  private:
    std::shared_ptr<const UniqueFd> Open(size_t Levels, const std::function<bool()>& Make);

    std::string fRoot;
    std::string fHost;
    std::shared_ptr<const UniqueFd> fFolder;
    std::string fName;
};

} // namespace qm

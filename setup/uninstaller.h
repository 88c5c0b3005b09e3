#pragma once
// TUninstaller: the rules of the uninstall window. It refuses while the main program
// runs, when the user may not remove the installation or, run by root, when another user
// may change the install folder; it asks once, and then removes
// what the installer made: the files of uninst.ini that lie below the registered install
// folder (links removed as links, never followed; without a list, only the known files
// of an installation), the program's own run-time files, the shortcuts and program
// group, the Run values and autostart entries, the product's key tree, the ".bpa" file
// type, the Uninstall key; then the uninstaller itself with uninst.ini and uninstdirs.ini,
// and last the folders setup made for the installation (uninstdirs.ini: the install
// folder and the parents it had to make), each only when empty. A registry entry that
// cannot be deleted (refused, or in a hive that cannot be read or written) is a failure:
// the Uninstall key, the uninstaller and its records stay, so an uninstall cut short
// (failed or killed) can always be run again. Qt-free.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

struct TUninstallEnvironment {
    std::function<int(int kind, const std::string& text)> message; // ShowMessageForm
    std::function<bool()> isAdmin;                                 // IAmAdmin
    std::function<bool()> mainWindowOpen; // a window titled "Quillmoor Main Window"
};

class TUninstaller {
  public:
    // `installFolder`: the registered install folder, which is the program's own.
    TUninstaller(std::string installFolder, TUninstallEnvironment env);

    bool CanUninstall() const;
    bool MachineUninstallKeyExists() const;

    // The Uninstall button: questions, then the removal. True when it removed the
    // installation; every outcome ends the program.
    bool bbUninstalClick();

    // Everything listed but the uninstaller and its two records.
    void DeleteInstalledFiles();
    // False when a registry entry of the installation is still there.
    bool RemoveShortcutsAndKeys();
    void RemoveProgramGroup();
    // The folders setup made, deepest first, each when it is empty; without a record (an
    // installation from before it), the install folder when it is empty.
    void RemoveCreatedFolders(const std::optional<std::vector<std::string>>& made);
    // Paths that were to go and are still there (an update's "Temp" folder, whose swap
    // could not be taken back, among them).
    const std::vector<std::string>& leftOver() const { return leftOver_; }

  private:
    static bool pathStaysBelow(const std::string& path, const std::string& base);
    // The uninstaller, uninst.ini and uninstdirs.ini: what goes last.
    std::vector<std::string> removedLast() const;
    bool isRemovedLast(const std::string& path) const;
    // Removes a file or link (never what a link points to), or an empty folder, when
    // every folder between `base` and it is a real folder.
    void removeEntry(const std::string& path, const std::string& base);
    void DeleteLinks(const std::string& subfolder, const char* linkFile, int kind);

    std::string folder_;
    TUninstallEnvironment env_;
    std::vector<std::string> leftOver_;
};

} // namespace qm

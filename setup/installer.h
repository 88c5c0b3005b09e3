#pragma once
// TInstaller: the work the install wizard does when the user confirms the options page.
// It checks the chosen folder (the user's own files may stay there; a file the install
// would overwrite that no earlier installation listed refuses it; run by root, so does a
// folder that another user may change or make below), asks before replacing
// an earlier installation, then
// prepares every file of the installation in a staging folder inside the install folder
// (the programs expanded and checked, the uninstaller and the help pages copied) so that
// a damaged medium changes nothing; only then it moves the files into place, takes the
// earlier installation's shortcuts and registry entries away, and writes User.dat,
// shortcuts, the Run values, the autostart entries, the product's Run key, the Uninstall
// key, the ".bpa" file type, uninstdirs.ini (the folders it made for the installation)
// and uninst.ini (exactly the files and folders it put below the install folder). Every
// change goes into a TInstallJournal: a failure is told to the user and rolled back, and
// leaves an earlier installation working as it was. The earlier installation's files
// that the new one does not replace go only once everything succeeded. Qt-free; the
// wizard and the tests drive it through TInstallEnvironment.

#include "setup/installjournal.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

struct TInstallOptions {
    std::string mediumFolder;  // DOS path of the medium (holds "Install\")
    std::string installFolder; // as typed; a host path ("/opt/x") is taken too
    std::string setupProgram;  // DOS path of the running setup, copied as the uninstaller
    bool autoStart = true;     // "Load Quillmoor in Startup"
    bool allUsers = false;     // "Install Quillmoor for all users"
};

struct TInstallEnvironment {
    std::function<int(int kind, const std::string& text)> message; // ShowMessageForm
    std::function<bool()> isAdmin;                                 // IAmAdmin
    std::string userName;
    std::function<void()> showProgressPage;     // "pg3"
    std::function<void(int step)> stepProgress; // the bar: 1 to 6 of 7
};

enum class TInstallOutcome { StayOnOptions, Installed };

class TInstaller {
  public:
    TInstaller(TInstallOptions options, TInstallEnvironment env);

    TInstallOutcome Install();

    // The install folder in use (DOS path, trailing "\"), once Install has checked it.
    const std::string& installFolder() const { return folder_; }
    // What uninst.ini lists (before its own line), after a successful install.
    const std::vector<std::string>& installedEntries() const { return entries_; }

    // The folder holds "Qmoor" and a "Help" folder.
    static bool IsAlreadyInstalled(const std::string& folder);
    // An absolute DOS path below a drive root with valid names; empty when not usable.
    static std::string CheckedFolder(const std::string& typed);

  private:
    bool stage(std::string& error);
    std::vector<std::string> installedFiles() const;
    // Something not of an earlier installation stands where the install writes a file.
    bool wouldOverwrite(const std::optional<std::vector<std::string>>& listed) const;
    // The entries staged below `from` + `relative` whose targets do not exist yet.
    void freshTargets(const std::string& from, const std::string& relative,
                      std::vector<std::string>& files, std::vector<std::string>& folders) const;
    bool DecompressAndCopy(const std::string& source, const std::string& target, bool required,
                           std::string& error);
    bool CopyFolder(const std::string& target, const std::string& source, std::string& error);
    bool placeFiles(const std::string& from, const std::string& to, std::string& error);
    void RemoveOldShortcuts();
    void RemoveOldFiles();
    bool CleanRegistry();
    bool writeUserFile(std::string& error);
    bool writeFolderRecord(std::string& error);
    bool CreateShortcutsAndKeys();
    void CreateShortcut(RegistryRoot root, std::string_view linkFile, int kind,
                        std::string_view subfolder, std::string_view target);
    void createShortcut(RegistryRoot root, std::string_view linkFile, int kind,
                        std::string_view subfolder, std::string_view target);
    bool WriteRunKey(bool allUsers);
    bool WriteUninstallKey(bool allUsers);
    bool RegisterFileAssociation();
    TInstallOutcome fail(const std::string& error,
                         const char* next = "please check the install medium and the folder, "
                                            "and try again.");
    // Whether a registry step succeeded; the first that failed is the one the install's
    // failure names (failInRegistry).
    bool registryStep(RegistryRoot root, bool done);
    bool registryStep(RegistryRoot root, RegistryStatus status);
    TInstallOutcome failInRegistry();

    void progress(int step) const;
    std::string stagingFolder() const;
    std::string program(std::string_view windowsName) const;

    TInstallOptions options_;
    TInstallEnvironment env_;
    std::string folder_;
    std::string staging_;
    std::vector<std::string> entries_;
    std::vector<std::string> oldEntries_;
    std::vector<std::string> madeFolders_; // made for the installation, this run's and before
    std::string registryError_;            // the first registry step that failed
    TInstallJournal journal_;
};

} // namespace qm

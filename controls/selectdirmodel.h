#pragma once
// The rules of the folder picker TFrmSelectDir: the drive list, the directory list
// (the chain from the drive root down to the current folder, then its sub-folders),
// moving through it, and the path it hands back. Works on DOS paths over the drive
// table; the drive list and the folder reader can be replaced (the main program gives
// its source drives, tests their sandbox).

#include "platform/fileio.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TSelectDirModel {
  public:
    struct Item {
        std::string text; // what the list shows
        std::string path; // full DOS path, no trailing backslash except a root
        int level = 0;    // indentation
    };

    using DriveLister = std::function<std::vector<std::string>()>; // roots "X:\"
    using FolderLister = std::function<FolderListing(std::string_view)>;

    explicit TSelectDirModel(DriveLister drives = {}, FolderLister folders = {});

    // Fills the drive list, selects the first drive and shows its root.
    void start();
    const std::vector<std::string>& drives() const { return drives_; }
    int driveIndex() const { return driveIndex_; }
    // Selecting a drive shows the folder named by the first two characters of its text.
    void selectDrive(int index);

    const std::string& currentFolder() const { return current_; }
    const std::vector<Item>& items() const { return items_; }
    int selectedIndex() const { return selected_; }
    void select(int index);
    // Opens an item (a double click): it becomes the current folder.
    void open(int index);

    // The full path of the selected item, empty when nothing is selected.
    std::string selectedPath() const;
    // After the window closed, whatever its result: with at least one drive `path`
    // becomes the selected item's path; without any, it is left as it was.
    void finish(std::string& path) const;

    // The drive list of a model made without one: the lister set here (the main program
    // sets its source drives, the drives that are not media drives), else tableDrives.
    static void setDefaultDrives(DriveLister drives);
    // Every mapped drive from C: on that is fixed, removable or of unknown type.
    static std::vector<std::string> tableDrives();

  private:
    void showFolder(const std::string& folder);

    DriveLister driveLister_;
    FolderLister folderLister_;
    std::vector<std::string> drives_;
    int driveIndex_ = -1;
    std::string current_;
    std::vector<Item> items_;
    int selected_ = -1;
};

} // namespace qm

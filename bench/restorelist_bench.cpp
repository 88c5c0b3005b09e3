// Restore page benchmark (not a test): the time and the memory it takes to show a media
// drive's catalogue as the restore tree, as the Restore page does when a drive is chosen
// (the catalogue listed, searched for encrypted files, the tree built), for a catalogue
// of many records with paths of a usual depth and length.
//
//   restorelist_bench [records]
//                         records in the catalogue (default 200000, 102 MiB). Runs in a
//                         temporary folder ($TMPDIR, else /tmp) mapped as drive E:,
//                         removed at the end.

#include "app/trees/qmrestoretreemodel.h"
#include "engine/backupjob.h"
#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "engine/driverecord.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace qm;

namespace {

using Clock = std::chrono::steady_clock;

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = field;
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + key.size());
    return 0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A catalogue of `records` plain copies: 40 top folders, 50 below each, 100 files in each.
void writeCatalogue(int records) {
    createFolderChain(MediaFolder('E'));
    FileHandle file = FileHandle::create(CataloguePath('E'));
    CatalogueFile catalogue(file);
    for (int i = 0; i < records; ++i) {
        DriveListRecord record;
        record.SourcePath = "C:\\Users\\someone\\Documents\\project" + std::to_string(i / 5000) +
                            "\\chapter " + std::to_string(i / 100 % 50) + "\\notes-" +
                            std::to_string(i) + ".txt";
        record.MediaPath = "E:\\Quillmoor\\Drive_C" + record.SourcePath.substr(2);
        record.Date = 46000.5 + i / 1000.0;
        record.Size = 1000 + i;
        catalogue.WriteRecord(i, SerializeDriveListRecord(record));
    }
    catalogue.WriteCount(records);
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200000;
    std::string tmpl = (fs::temp_directory_path() / "qm-restorelist-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = tmpl;
    fs::create_directories(root / "E");
    DriveTable::instance().map('E', (root / "E").string(), DriveType::Removable);
    writeCatalogue(records);
    const double mib = static_cast<double>(fs::file_size(root / "E/Quillmoor/drive.lst")) / 1048576;

    // The best time of three; the memory of the first, which no freed heap of an earlier
    // round hides.
    double best = 1e9;
    long peakAbove = 0;
    for (int round = 0; round < 3; ++round) {
        TQMRestoreTreeModel tree;
        tree.setActive(true);
        const long before = statusKiB("VmRSS:");
        resetPeak();
        const auto start = Clock::now();
        TBackUpJob job;
        job.SetDestination('E');
        job.ListDriveFiles(&tree.PathList, &tree.TimeList, &tree.SizeList, nullptr);
        job.HasEncryptedFiles();
        tree.Rebuild();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
        peakAbove = std::max(peakAbove, statusKiB("VmHWM:") - before);
        if (tree.roots().empty()) {
            std::fprintf(stderr, "restorelist_bench: the tree stayed empty\n");
            return 1;
        }
    }
    std::printf("restore page: a catalogue of %d records (%.0f MiB) listed and its tree built "
                "in %.2f s, peak memory +%ld MiB\n",
                records, mib, best, peakAbove >> 10);
    fs::remove_all(root);
    return 0;
}

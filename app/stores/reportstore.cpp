#include "app/stores/reportstore.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
#include "platform/programfiles.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

const char* const kReports = "Quillmoor\\Reports\\";
const char* const kRecordFile = "Report.dat";
constexpr int kMaxSameSecondRuns = 1000;

// Damaged records may hold any bits; an unusable key sorts as the zero date.
double sortKey(const TActivityRecord& record) {
    const double key = record.sortKey();
    return std::isfinite(key) ? key : 0;
}

bool writeRecord(const std::string& path, const TActivityRecord& record) {
    const ActivityRecordBytes bytes = SerializeActivityRecord(record);
    FileHandle file = FileHandle::createNew(path);
    if (!file.write(bytes.data(), static_cast<int64_t>(bytes.size())))
        return false;
    return file.close();
}

// A folder name not yet taken under `reports`.
std::string freshFolder(const std::string& reports, const std::string& name) {
    for (int n = 1; n <= kMaxSameSecondRuns; ++n) {
        const std::string folder =
            reports + name + (n == 1 ? std::string() : " (" + std::to_string(n) + ")") + "\\";
        if (!folderExists(folder) && !fileExists(excludeTrailingBackslash(folder)))
            return folder;
    }
    return {};
}

} // namespace

std::string ReportStamp(TDateTime startTime) {
    std::string stamp = formatDateTimePattern("dd\"-\"mmm\"-\"yy\",,\" h\"-\"nn\"-\"ss AM/PM",
                                              startTime, localeFormats());
    if (const auto dot = stamp.find('.'); dot != std::string::npos)
        stamp.erase(dot, 1);
    if (const auto comma = stamp.find(','); comma != std::string::npos)
        stamp.erase(comma, 1);
    return stamp;
}

TSavedReport SaveReport(const TActivityRecord& record, const std::string& root,
                        const std::string& programLog) {
    TSavedReport saved;
    // A drive whose root is gone (a medium pulled during the run) gets no report: making
    // its folder would make the root on the file system below it.
    if (!folderExists(includeTrailingBackslash(root)))
        return saved;
    // Nothing is made or written on the media drive through a link.
    const LinkFreeFolder guard(includeTrailingBackslash(root));
    const std::string reports = includeTrailingBackslash(root) + kReports;
    if (!createFolderChain(reports))
        return saved;
    const std::string folder = freshFolder(reports, "Log " + ReportStamp(record.StartTime));
    if (folder.empty() || !createFolderChain(folder))
        return saved;
    saved.folder = folder;
    const std::string log = folder + std::string(kLogFileName);
    if (fileExists(programLog) && reachedWithoutLinks(folder) && moveFile(programLog, log))
        saved.logPath = log;
    saved.recordWritten = writeRecord(folder + kRecordFile, record);
    return saved;
}

void LoadReports(TActivityArray& list, const std::string& root) {
    const std::string reports = includeTrailingBackslash(root) + kReports;
    // A Reports folder that is a link (or lies behind one) holds no reports of this drive.
    if (!reachedWithoutLinks(reports))
        return;
    const FolderListing listing = listFolder(reports);
    if (!listing.ok)
        return;
    const std::size_t first = list.size();
    for (const FolderEntry& entry : listing.entries) {
        TActivityRecord record;
        const std::string folder = reports + entry.name;
        if (entry.isFolder && !entry.isLink) {
            const std::string file = folder + "\\" + kRecordFile;
            ActivityRecordBytes bytes{};
            FileHandle handle =
                reachedWithoutLinks(file) ? FileHandle::open(file, OpenMode::Read) : FileHandle();
            if (handle.readExact(bytes.data(), static_cast<int64_t>(bytes.size()))) {
                record = ParseActivityRecord(bytes);
                record.ReportFile = file;
            }
            record.ReportFolder = folder;
        }
        list.push_back(std::move(record));
    }
    std::stable_sort(
        list.begin() + static_cast<std::ptrdiff_t>(first), list.end(),
        [](const TActivityRecord& a, const TActivityRecord& b) { return sortKey(a) > sortKey(b); });
}

std::string ReadReportLog(const std::string& logPath) {
    if (logPath.size() < 4)
        return {};
    const LinkFreeFolder guard(logPath.substr(0, 3));
    bool cut = false;
    std::optional<std::string> text = readFileStart(logPath, kMaxReportLogShown, &cut);
    if (!text)
        return {};
    if (!cut)
        return *text;
    // Whole lines only, unless the first line alone is longer than the limit.
    if (const size_t end = text->rfind('\n'); end != std::string::npos)
        text->resize(end + 1);
    else
        text->append("\r\n");
    return *text + kReportLogCut + "\r\n";
}

bool DeleteReportFolder(const std::string& folder) {
    if (folder.size() < 4 || !reachedWithoutLinks(folder) || !folderExists(folder))
        return false;
    // Only the report's own files go, never through a link (the guard refuses a link by
    // either name), and then the folder if that emptied it: anything else put in it
    // keeps it standing.
    const LinkFreeFolder guard(folder.substr(0, 3));
    deleteFile(includeTrailingBackslash(folder) + kRecordFile);
    deleteFile(includeTrailingBackslash(folder) + std::string(kLogFileName));
    return removeFolder(folder);
}

} // namespace qm

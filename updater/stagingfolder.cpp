#include "updater/stagingfolder.h"

#include "platform/dospath.h"
#include "platform/fileoperations.h"
#include "platform/updatestaging.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

std::string areaName(TStagingFolder::Area area) {
    switch (area) {
    case TStagingFolder::Area::Files:
        return std::string(updatestaging::kFilesArea);
    case TStagingFolder::Area::Ready:
        return std::string(updatestaging::kReadyArea);
    case TStagingFolder::Area::Previous:
        return std::string(updatestaging::kPreviousArea);
    }
    return std::string(updatestaging::kFilesArea);
}

bool isRealFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0)
        return true;
    return errno == EEXIST && isRealFolder(path);
}

// Writes a random text into a new file and reads its size back: the folder takes files.
bool writeTest(const std::string& folder) {
    const std::string text = std::to_string(std::random_device{}() % 1000000);
    const std::string path = folder + std::string(updatestaging::kWriteTestFile);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    struct stat info {};
    const bool sized = ::fstat(fd, &info) == 0 && info.st_size == off_t(text.size());
    const bool closed = ::close(fd) == 0;
    ::unlink(path.c_str());
    return written && sized && closed;
}

} // namespace

bool makeFoldersBelow(const std::string& base, const std::string& relative,
                      std::vector<std::string>* created) {
    size_t from = 0;
    for (size_t slash; (slash = relative.find('/', from)) != std::string::npos; from = slash + 1) {
        const std::string folder = base + relative.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) == 0) {
            if (created)
                created->push_back(relative.substr(0, slash));
            continue;
        }
        if (errno != EEXIST || !isRealFolder(folder))
            return false;
    }
    return true;
}

TStagingFolder::TStagingFolder(std::string dos, std::string host, std::string tempHost,
                               UniqueFd lock)
    : dos_(std::move(dos)), host_(std::move(host)), tempHost_(std::move(tempHost)),
      lock_(std::move(lock)) {}

std::unique_ptr<TStagingFolder> TStagingFolder::create(const TInstallation& installation,
                                                       std::string& error) {
    const std::string tempName(updatestaging::kTempFolder);
    const std::string temp = installation.hostFolder + tempName;
    std::string path;
    UniqueFd lock;
    if (makeFolder(temp))
        lock = updatestaging::MakeStagingFolder(temp, path);
    if (lock.get() < 0) {
        error = "cannot make a folder in " + installation.hostFolder + ": " + std::strerror(errno);
        ::rmdir(temp.c_str()); // only when it is empty
        return nullptr;
    }
    const std::string name = path.substr(temp.size() + 1);
    std::unique_ptr<TStagingFolder> staging(new TStagingFolder(
        installation.folder + tempName + "\\" + name + "\\", path + "/", temp, std::move(lock)));
    for (auto area : {Area::Files, Area::Ready, Area::Previous})
        if (!makeFolder(staging->host_ + areaName(area))) {
            error = "cannot make a folder in " + staging->host_;
            return nullptr;
        }
    if (!writeTest(staging->host_)) {
        error = "cannot write into " + staging->host_;
        return nullptr;
    }
    return staging;
}

TStagingFolder::~TStagingFolder() {
    if (!kept_)
        deleteFolderTree(excludeTrailingBackslash(dos_));
    lock_ = UniqueFd();
    ::rmdir(tempHost_.c_str()); // only when nothing else is in it
}

std::string TStagingFolder::dosPath(Area area, const std::string& relative) const {
    std::string path = dos_ + areaName(area) + "\\" + relative;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string TStagingFolder::hostPath(Area area, const std::string& relative) const {
    return host_ + areaName(area) + "/" + relative;
}

std::optional<std::string> TStagingFolder::prepare(Area area, const std::string& relative) const {
    if (!makeFoldersBelow(host_ + areaName(area) + "/", relative))
        return std::nullopt;
    return hostPath(area, relative);
}

} // namespace qm

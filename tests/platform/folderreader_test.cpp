#include "platform/folderreader.h"

#include "support/sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>

namespace qm {
namespace {

std::set<std::string> namesOf(FolderReader& folder) {
    std::set<std::string> names;
    while (const dirent* entry = folder.next())
        names.insert(entry->d_name);
    return names;
}

TEST(FolderReader, ListsEveryEntryButTheDotsByPathAndOnACallersDescriptor) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\list\\a.txt", "a");
    sandbox.writeFile("C:\\list\\.hidden", "h");
    sandbox.writeFile("C:\\list\\sub\\inner.txt", "i");
    const std::string host = sandbox.hostOf('C') + "/list";
    const std::set<std::string> expected = {"a.txt", ".hidden", "sub"};

    FolderReader byPath(host);
    ASSERT_TRUE(byPath.isOpen());
    EXPECT_EQ(namesOf(byPath), expected);
    EXPECT_FALSE(byPath.failed());
    EXPECT_EQ(byPath.next(), nullptr); // stays at the end

    // Each reader on the caller's descriptor starts from the first entry (a duplicate
    // shares the read position) and leaves the descriptor open.
    const int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        FolderReader onFd = FolderReader::at(fd);
        ASSERT_TRUE(onFd.isOpen());
        EXPECT_EQ(namesOf(onFd), expected);
        EXPECT_FALSE(onFd.failed());
    }
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);
}

TEST(FolderReader, AFolderThatCannotBeOpenedListsNothing) {
    test::Sandbox sandbox;
    const std::string file = sandbox.writeFile("C:\\file.txt", "x");
    for (const std::string& path : {sandbox.hostOf('C') + "/missing", file}) {
        SCOPED_TRACE(path);
        FolderReader folder(path);
        EXPECT_FALSE(folder.isOpen());
        EXPECT_EQ(folder.next(), nullptr);
    }
    const int fileFd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fileFd, 0);
    EXPECT_FALSE(FolderReader::at(fileFd).isOpen());
    EXPECT_FALSE(FolderReader::at(-1).isOpen());
    EXPECT_NE(::fcntl(fileFd, F_GETFD), -1);
    ::close(fileFd);
}

} // namespace
} // namespace qm

#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "platform/lzexpand.h"
#include "support/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qm {
namespace {

std::string Bytes(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(Medium, TheBuiltMediumExpandsToTheProgramsByteForByte) {
    test::Sandbox sb;
    DriveTable::instance().map('M', QM_MEDIUM_DIR, DriveType::Fixed);
    ASSERT_TRUE(fileExists("M:\\setup"));
    ASSERT_TRUE(fileExists("M:\\License.htm"));
    ASSERT_TRUE(fileExists("M:\\Install\\Help\\Quillmoor.htm"));
    const LzExpandResult qmoor = LzExpandFile("M:\\Install\\Qmoor.ex_", "C:\\Qmoor");
    ASSERT_TRUE(qmoor.ok) << qmoor.error;
    const std::string program = Bytes(QM_QMOOR_PROGRAM);
    ASSERT_GT(program.size(), 100000u);
    EXPECT_TRUE(sb.readFile("C:\\Qmoor") == program) << "the expansion differs from Qmoor";
    EXPECT_LT(fileSize("M:\\Install\\Qmoor.ex_"), static_cast<int64_t>(program.size()));
#ifdef QM_UPDATER_PROGRAM
    const LzExpandResult updater = LzExpandFile("M:\\Install\\Updater.ex_", "C:\\updater");
    ASSERT_TRUE(updater.ok) << updater.error;
    EXPECT_TRUE(sb.readFile("C:\\updater") == Bytes(QM_UPDATER_PROGRAM));
#endif
}

} // namespace
} // namespace qm

#include "platform/lzcompress.h"

#include "platform/fileio.h"
#include "support/lzfiles.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qm {
namespace {

std::string CompressibleProgram() {
    std::string bytes;
    for (int i = 0; bytes.size() < 70000; ++i)
        bytes += "record " + std::to_string(i % 977) + " of the program image; ";
    return bytes;
}

TEST(LzCompress, ThePackagedCompressorRoundTripsAndTheDateIsKept) {
    test::Sandbox sb;
    const std::string program = CompressibleProgram();
    const std::string input = sb.writeFile("C:\\build\\Qmoor", program);
    sb.setFileTime("C:\\build\\Qmoor", 2026, 11, 30, 23, 59, 58);
    const std::string output = sb.root() + "/C/build/Qmoor.ex_";
    LzExpandResult made = LzCompressVerified("mscompress", input, output);
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_LT(fileSize("C:\\build\\Qmoor.ex_"), static_cast<int64_t>(program.size()) / 2);
    EXPECT_EQ(fileDateTime("C:\\build\\Qmoor.ex_"), fileDateTime("C:\\build\\Qmoor"));
    ASSERT_TRUE(LzExpandFile("C:\\build\\Qmoor.ex_", "C:\\check").ok);
    EXPECT_EQ(sb.readFile("C:\\check"), program);
}

TEST(LzCompress, AResultThatDoesNotExpandToTheInputIsNeverWritten) {
    test::Sandbox sb;
    const std::string input = sb.writeFile("C:\\build\\tiny", "tiny");
    // A compressor that writes a well-formed file with other bytes, as the packaged one
    // does for inputs under 16 bytes, and one that fails.
    const std::string wrong = sb.writeFile("C:\\tools\\wrong.lz", test::literalLzFile("tinx"));
    const std::string liar =
        sb.writeFile("C:\\tools\\liar", "#!/bin/sh\ncp '" + wrong + "' \"$1_\"\n");
    const std::string broken = sb.writeFile("C:\\tools\\broken", "#!/bin/sh\nexit 3\n");
    for (const std::string& tool : {liar, broken}) {
        ASSERT_EQ(chmod(tool.c_str(), 0755), 0);
        LzExpandResult made = LzCompressVerified(tool, input, sb.root() + "/C/build/tiny_");
        EXPECT_FALSE(made.ok);
        EXPECT_NE(made.error.find(tool), std::string::npos) << made.error;
        EXPECT_FALSE(fileExists("C:\\build\\tiny_"));
    }
    EXPECT_EQ(listFolder("C:\\build").entries.size(), 1u) << "the work folder is gone";
}

} // namespace
} // namespace qm

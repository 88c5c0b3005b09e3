// Replays every input kept for the fuzz targets (the seed corpus and every crash a
// fuzzer found, named after its fault) through the same entry functions the libFuzzer
// programs call, so a fault that was fixed stays fixed in the normal test run.

#include "fuzz/fuzzentries.h"
#include "fuzz/fuzzsandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace qm::fuzz {
namespace {

using EntryFn = int (*)(const uint8_t*, size_t);

struct Target {
    const char* name; // folder below tests/data/fuzz
    EntryFn entry;
};

constexpr Target kTargets[] = {
    {"catalogue", FuzzCatalogue},
    {"archive", FuzzArchive},
    {"journal", FuzzJournal},
    {"hive", FuzzHive},
    {"region", FuzzRegion},
    {"mounttable", FuzzMountTable},
    {"answerscript", FuzzAnswerScript},
};

struct Fixture {
    Target target;
    fs::path file;
};

void PrintTo(const Fixture& fixture, std::ostream* os) {
    *os << fixture.target.name << "/" << fixture.file.filename().string();
}

fs::path FolderOf(const Target& target) {
    return fs::path(QM_TEST_DATA_DIR) / "fuzz" / target.name;
}

std::vector<Fixture> AllFixtures() {
    std::vector<Fixture> fixtures;
    for (const Target& target : kTargets) {
        std::error_code ec;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(FolderOf(target), ec))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files)
            fixtures.push_back({target, file});
    }
    return fixtures;
}

std::string TestName(const testing::TestParamInfo<Fixture>& info) {
    std::string name = std::string(info.param.target.name) + "_" + info.param.file.stem().string();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

class FuzzReplay : public testing::TestWithParam<Fixture> {};

TEST_P(FuzzReplay, RunsCleanAndLeavesNoFile) {
    std::ifstream in(GetParam().file, std::ios::binary);
    ASSERT_TRUE(in) << GetParam().file;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(0, GetParam().target.entry(bytes.data(), bytes.size()));
    EXPECT_EQ(std::vector<std::string>{}, FuzzSandbox::instance().files());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FuzzReplay, testing::ValuesIn(AllFixtures()), TestName);

// Every target keeps a seed corpus, so the replay above covers each one.
TEST(FuzzCorpus, EveryTargetHasSeeds) {
    for (const Target& target : kTargets) {
        std::error_code ec;
        auto files = fs::directory_iterator(FolderOf(target), ec);
        EXPECT_FALSE(ec) << target.name;
        EXPECT_GT(std::distance(fs::begin(files), fs::end(files)), 0) << target.name;
    }
}

// A target empties the sandbox after itself even when the input leaves files behind
// in it (a restored file, a log), so a fuzzer's inputs never see each other's files.
TEST(FuzzSandbox, EntryLeavesTheSandboxEmpty) {
    const uint8_t garbage[] = {0x01, 0x00, 0x00, 0x00, 0xFF};
    for (const Target& target : kTargets) {
        EXPECT_EQ(0, target.entry(garbage, sizeof garbage)) << target.name;
        EXPECT_EQ(std::vector<std::string>{}, FuzzSandbox::instance().files()) << target.name;
    }
}

} // namespace
} // namespace qm::fuzz

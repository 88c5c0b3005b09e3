#include "engine/catalogpathlist.h"

#include "platform/casefold.h"

#include <gtest/gtest.h>

#include <random>

namespace qm::test {
namespace {

// What the index must answer: the first line equal to Path, else the first line equal
// to it but for case.
std::optional<size_t> linearFind(const std::vector<std::string>& lines, const std::string& path) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == path)
            return i;
    for (size_t i = 0; i < lines.size(); ++i)
        if (sameTextFolded(lines[i], path))
            return i;
    return std::nullopt;
}

// A few dozen names in random case, so that many lines differ only in case and some
// repeat exactly; the lone bytes 0xE9 and 0xE0 are not UTF-8 and compare as they are.
std::string randomPath(std::mt19937& rng) {
    static const std::string names[] = {"a.txt", "b.txt", "Dir\\c.doc", "d\xE9j\xE0.txt", "x"};
    std::string path = "C:\\" + std::to_string(rng() % 8) + "\\" + names[rng() % 5];
    for (char& c : path)
        if (rng() % 2)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return path;
}

void expectSameAsLinear(const TCatalogPathList& list, const std::vector<std::string>& model,
                        std::mt19937& rng) {
    ASSERT_EQ(list.lines(), model);
    for (int q = 0; q < 200; ++q) {
        const std::string path = randomPath(rng);
        ASSERT_EQ(list.Find(path), linearFind(model, path)) << path;
    }
    for (const std::string& line : model)
        ASSERT_EQ(list.Find(line), linearFind(model, line)) << line;
}

TEST(CatalogPathList, EveryMutatorKeepsLookupsEqualToTheLinearSearch) {
    std::mt19937 rng(20261207);
    TCatalogPathList list;
    std::vector<std::string> model;
    for (int i = 0; i < 3000; ++i) {
        model.push_back(randomPath(rng));
        list.push_back(model.back());
    }
    expectSameAsLinear(list, model, rng);

    // Removals as the catalogue makes them: first, middle, last, random, until empty.
    for (int round = 0; !model.empty(); ++round) {
        size_t index = round % 4 == 0   ? 0
                       : round % 4 == 1 ? model.size() / 2
                       : round % 4 == 2 ? model.size() - 1
                                        : rng() % model.size();
        list.ReplaceWithLast(index);
        if (index + 1 < model.size())
            model[index] = model.back();
        model.pop_back();
        if (round % 97 == 0 || model.size() < 5)
            expectSameAsLinear(list, model, rng);
        if (round % 500 == 0) {
            model.push_back(randomPath(rng));
            list.push_back(model.back());
        }
    }
    list.ReplaceWithLast(0); // nothing to remove
    expectSameAsLinear(list, model, rng);

    for (int i = 0; i < 500; ++i)
        model.push_back(randomPath(rng));
    list = model;
    expectSameAsLinear(list, model, rng);
    list.clear();
    model.clear();
    expectSameAsLinear(list, model, rng);
}

TEST(CatalogPathList, FindsTheExactLineElseTheFirstOfLinesDifferingOnlyInCase) {
    TCatalogPathList list;
    list = {"C:\\dir\\a.txt", "C:\\b.txt", "c:\\DIR\\A.TXT", "C:\\Dir\\a.txt"};
    EXPECT_EQ(list.Find("C:\\DIR\\a.TXT"), 0u);
    EXPECT_EQ(list.Find("c:\\DIR\\A.TXT"), 2u);
    EXPECT_EQ(list.Find("C:\\Dir\\a.txt"), 3u);
    EXPECT_EQ(list.Find("C:\\b.txt"), 1u);
    EXPECT_EQ(list.Find("C:\\b.tx"), std::nullopt);
    EXPECT_EQ(list.Find("C:\\dir\\a.txt "), std::nullopt);
    list.ReplaceWithLast(0); // "C:\Dir\a.txt" moves to line 0, ahead of line 2
    EXPECT_EQ(list.lines(),
              (std::vector<std::string>{"C:\\Dir\\a.txt", "C:\\b.txt", "c:\\DIR\\A.TXT"}));
    EXPECT_EQ(list.Find("c:\\dir\\a.txt"), 0u);
    list.ReplaceWithLast(0);
    EXPECT_EQ(list.Find("c:\\dir\\a.txt"), 0u);
    list.ReplaceWithLast(5); // past the end: the last line goes
    EXPECT_EQ(list.Find("C:\\b.txt"), std::nullopt);
    EXPECT_EQ(list.size(), 1u);
}

// Non-ASCII letters fold too (Unicode simple case folding of the UTF-8 bytes), ASCII
// folds as before, and bytes that are not UTF-8 match only themselves.
TEST(CatalogPathList, NonAsciiNamesIgnoreCaseToo) {
    TCatalogPathList list;
    list = {"C:\\\xC3\x89t\xC3\xA9\\\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1.txt",
            "C:\\\xD0\x96\xD1\x83\xD0\xBA.doc", "C:\\Kelvin\\k.txt", "C:\\raw\\\xE9.txt"};
    const std::vector<std::pair<std::string, std::optional<size_t>>> rows = {
        {"c:\\\xC3\xA9T\xC3\x89\\\xCF\x83\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91.TXT", 0u}, // Été\Σοφία
        {"C:\\\xD0\xB6\xD0\xA3\xD0\x9A.DOC", 1u},                                    // жУК
        {"C:\\KELVIN\\\xE2\x84\xAA.TXT", 2u},                                        // Kelvin sign
        {"C:\\RAW\\\xE9.TXT", 3u},
        {"C:\\raw\\\xC9.txt", std::nullopt},
        {"C:\\\xC3\x89te\\\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1.txt", std::nullopt}};
    for (const auto& [path, line] : rows)
        EXPECT_EQ(list.Find(path), line) << path;
}

} // namespace
} // namespace qm::test

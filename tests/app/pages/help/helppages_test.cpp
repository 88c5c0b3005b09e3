// The installed help pages: every topic's page exists, every link between pages lands on
// an existing page (and anchor), and Qt's rich text renders each of them.
#include "app/pages/help/helptreemodel.h"

#include <QTextDocument>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qm {
namespace {

// QM_TEST_DATA_DIR is <source>/tests/data; the pages live in <source>/assets/help.
const std::filesystem::path kHelpDir =
    std::filesystem::path(QM_TEST_DATA_DIR).parent_path().parent_path() / "assets" / "help";

// Page file name -> content, for every .htm file of the folder (names as stored, so the
// lookups below compare case exactly).
std::map<std::string, std::string> readPages() {
    std::map<std::string, std::string> pages;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kHelpDir, error)) {
        if (entry.path().extension() != ".htm")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        pages[entry.path().filename().string()] = content.str();
    }
    return pages;
}

std::vector<std::string> hrefsOf(const std::string& html) {
    static const std::regex href(R"(href\s*=\s*"([^"]*)\")", std::regex::icase);
    std::vector<std::string> links;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), href);
         it != std::sregex_iterator(); ++it)
        links.push_back((*it)[1].str());
    return links;
}

bool isRelative(const std::string& link) {
    static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
    return !std::regex_search(link, scheme);
}

bool hasAnchor(const std::string& html, const std::string& name) {
    return html.find("name=\"" + name + "\"") != std::string::npos ||
           html.find("id=\"" + name + "\"") != std::string::npos;
}

class HelpPages : public ::testing::Test {
  protected:
    void SetUp() override {
        pages = readPages();
        ASSERT_FALSE(pages.empty()) << kHelpDir;
    }
    std::map<std::string, std::string> pages;
};

TEST_F(HelpPages, EveryTopicHasItsPageTitledWithTheCaption) {
    const std::vector<std::string>& lines = THelpTreeModel::helpPageLines();
    for (const THelpTopic& topic : THelpTreeModel::helpTopics()) {
        const std::string page = THelpTreeModel::trimmed(lines.at(topic.stateIndex));
        auto it = pages.find(page);
        ASSERT_NE(it, pages.end()) << page;
        EXPECT_NE(it->second.find("<title>" + topic.caption + "</title>"), std::string::npos)
            << page;
    }
    EXPECT_EQ(pages.size(), lines.size()) << "a page that no topic shows";
}

TEST_F(HelpPages, RelativeLinksLandOnExistingPagesAndAnchors) {
    int checked = 0;
    for (const auto& [name, html] : pages) {
        for (const std::string& link : hrefsOf(html)) {
            if (!isRelative(link))
                continue;
            const size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            auto found = pages.find(file);
            if (!file.empty() && found == pages.end()) {
                ADD_FAILURE() << name << " links to missing " << link;
                continue;
            }
            const std::string& target = file.empty() ? html : found->second;
            if (hash != std::string::npos) {
                EXPECT_TRUE(hasAnchor(target, link.substr(hash + 1)))
                    << name << " links to missing anchor " << link;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 19);
}

TEST_F(HelpPages, EveryPageIsReachableFromTheFirstTopic) {
    std::set<std::string> seen{"Quillmoor.htm"};
    std::vector<std::string> todo{"Quillmoor.htm"};
    while (!todo.empty()) {
        const std::string page = todo.back();
        todo.pop_back();
        for (const std::string& link : hrefsOf(pages.at(page))) {
            const std::string file = link.substr(0, link.find('#'));
            if (isRelative(link) && !file.empty() && pages.count(file) && seen.insert(file).second)
                todo.push_back(file);
        }
    }
    for (const auto& entry : pages)
        EXPECT_TRUE(seen.count(entry.first)) << entry.first << " cannot be reached";
}

TEST_F(HelpPages, PagesAreStaticAndRenderAsRichText) {
    for (const auto& [name, html] : pages) {
        EXPECT_EQ(QString::fromStdString(html).contains("<script", Qt::CaseInsensitive), false)
            << name;
        QTextDocument doc;
        doc.setHtml(QString::fromStdString(html));
        const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
        EXPECT_FALSE(title.isEmpty()) << name;
        EXPECT_TRUE(doc.toPlainText().contains(title)) << name;
        EXPECT_GT(doc.toPlainText().size(), 300) << name;
    }
}

} // namespace
} // namespace qm

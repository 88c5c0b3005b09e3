#include "app/pages/help/helppage.h"

#include "app/pages/help/helptree.h"
#include "platform/dospath.h"
#include "platform/programfolder.h"

#include <QHBoxLayout>
#include <QTextBrowser>

namespace qm {

THelpPage::THelpPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TS_Help"));
    auto* layout = new QHBoxLayout(this);
    tree_ = new THelpTree(this);
    tree_->setObjectName(QStringLiteral("HelpTree"));
    tree_->setFixedWidth(220);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("WebBrowser"));
    tree_->setWebBrowser(browser_);
    tree_->setMemoFileList(THelpTree::createPageListMemo(this));
    layout->addWidget(tree_);
    layout->addWidget(browser_, 1);
}

void THelpPage::TS_HelpShow() {
    const std::optional<std::string> folder = programFolder();
    tree_->setDirectory(folder ? includeTrailingBackslash(*folder) + "Help\\" : std::string());
    tree_->showFirstTopic();
}

} // namespace qm

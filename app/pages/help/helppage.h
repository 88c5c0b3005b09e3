#pragma once
// THelpPage: the Help page (TS_Help): the topic tree HelpTree beside the page browser,
// with the hidden page-list memo. It owns all three through Qt parenthood.

#include <QWidget>
#include <string>

class QTextBrowser;

namespace qm {

class THelpTree;

class THelpPage : public QWidget {
    Q_OBJECT
  public:
    explicit THelpPage(QWidget* parent);

    THelpTree* helpTree() const { return tree_; }
    QTextBrowser* browser() const { return browser_; }
    // TS_HelpShow: the help folder is the program folder's "Help\"; first topic shown.
    void TS_HelpShow();

  private:
    THelpTree* tree_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

} // namespace qm

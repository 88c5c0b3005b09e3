#pragma once
// THelpTree: the Help page's tree of topics. It shows each topic's page in the page's
// browser when the user selects it, and selects the topic of a page the browser has
// loaded (after a link inside a page was followed). The rules live in THelpTreeModel;
// this widget only wires Qt to them. The browser and the page list memo belong to the
// page that hosts the tree (held by QPointer, never deleted here).

#include "app/pages/help/helptreemodel.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>

namespace qm {

class THelpTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit THelpTree(QWidget* parent = nullptr);
    ~THelpTree() override;

    // `WebBrowser`: the browser to drive. Its own link following is switched off; the
    // tree follows links itself so that web addresses leave the help.
    void setWebBrowser(QTextBrowser* browser);
    QTextBrowser* webBrowser() const { return browser_; }

    // `MemoFileList`: the hidden memo whose lines name the page files.
    void setMemoFileList(QPlainTextEdit* memo);
    QPlainTextEdit* memoFileList() const { return memo_; }

    // `Directory`: the DOS folder of the page files (program folder + "Help\").
    void setDirectory(const std::string& directory);
    std::string directory() const { return model_.directory(); }

    // Showing the Help page: expands and selects the first topic.
    void showFirstTopic();

    // A hidden memo, child of `parent`, holding the Help page's page list.
    static QPlainTextEdit* createPageListMemo(QWidget* parent);

    // How web addresses are opened; the system browser unless replaced (tests do).
    using ExternalOpener = std::function<void(const QUrl&)>;
    void setExternalOpener(ExternalOpener opener) { openExternal_ = std::move(opener); }

    // The node index of an item, -1 for none.
    int nodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* itemOf(int node) const;

  private:
    void buildItems();
    void keepSelectionVisible();
    void syncPageList();
    void onCurrentItemChanged(QTreeWidgetItem* current);
    void navigate(const std::string& dosPath);
    void showMissingPage(const std::string& path);
    void onSourceChanged(const QUrl& url);
    void onAnchorClicked(const QUrl& url);

    THelpTreeModel model_;
    std::vector<QTreeWidgetItem*> items_; // owned by the tree, in node order
    QPointer<QTextBrowser> browser_;
    QPointer<QPlainTextEdit> memo_;
    QMetaObject::Connection documentComplete_;
    QMetaObject::Connection linkFollower_;
    ExternalOpener openExternal_;
};

} // namespace qm

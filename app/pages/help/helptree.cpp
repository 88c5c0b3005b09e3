#include "app/pages/help/helptree.h"

#include "platform/dospath.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextBrowser>

namespace qm {

namespace {

constexpr int kNodeRole = Qt::UserRole;

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https" || scheme == "mailto";
}

QString missingPageHtml(const std::string& dosPath) {
    return QStringLiteral("<p>The help page <b>%1</b> could not be found. "
                          "Reinstalling Quillmoor puts the help pages back.</p>")
        .arg(QString::fromStdString(dosPath).toHtmlEscaped());
}

} // namespace

THelpTree::THelpTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("HelpTree");
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    keepSelectionVisible();
    buildItems();
    openExternal_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onCurrentItemChanged(current); });
}

THelpTree::~THelpTree() = default;

void THelpTree::buildItems() {
    // Image 0 for every topic; the selected topic shows image 1.
    QIcon icon(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
    icon.addPixmap(style()->standardIcon(QStyle::SP_DialogHelpButton).pixmap(16, 16),
                   QIcon::Selected);
    const std::vector<THelpTopic>& topics = model_.topics();
    for (int node = 0; node < int(topics.size()); ++node) {
        QTreeWidgetItem* item = nullptr;
        const int parent = topics[node].parent;
        if (parent >= 0 && parent < node)
            item = new QTreeWidgetItem(items_[parent]);
        else
            item = new QTreeWidgetItem(this);
        item->setText(0, QString::fromStdString(topics[node].caption));
        item->setData(0, kNodeRole, node);
        item->setIcon(0, icon);
        items_.push_back(item);
    }
}

void THelpTree::keepSelectionVisible() {
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
}

void THelpTree::setWebBrowser(QTextBrowser* browser) {
    if (browser_) {
        disconnect(documentComplete_);
        disconnect(linkFollower_);
    }
    browser_ = browser;
    model_.setBrowserAttached(browser != nullptr);
    if (!browser)
        return;
    browser->setOpenLinks(false);
    linkFollower_ = connect(browser, &QTextBrowser::anchorClicked, this,
                            [this](const QUrl& url) { onAnchorClicked(url); });
}

void THelpTree::setMemoFileList(QPlainTextEdit* memo) {
    memo_ = memo;
}

void THelpTree::setDirectory(const std::string& directory) {
    model_.setDirectory(directory);
}

void THelpTree::showFirstTopic() {
    if (items_.empty())
        return;
    items_.front()->setExpanded(true);
    setCurrentItem(items_.front());
}

QPlainTextEdit* THelpTree::createPageListMemo(QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setVisible(false);
    memo->setReadOnly(true);
    QStringList lines;
    for (const std::string& line : THelpTreeModel::helpPageLines())
        lines << QString::fromStdString(line);
    memo->setPlainText(lines.join('\n'));
    return memo;
}

int THelpTree::nodeOf(const QTreeWidgetItem* item) const {
    if (!item)
        return -1;
    bool ok = false;
    const int node = item->data(0, kNodeRole).toInt(&ok);
    return ok ? node : -1;
}

QTreeWidgetItem* THelpTree::itemOf(int node) const {
    if (node < 0 || node >= int(items_.size()))
        return nullptr;
    return items_[node];
}

void THelpTree::syncPageList() {
    if (!memo_) {
        model_.clearPageList();
        return;
    }
    std::vector<std::string> lines;
    for (const QString& line : memo_->toPlainText().split('\n'))
        lines.push_back(line.toStdString());
    model_.setPageList(std::move(lines));
}

void THelpTree::onCurrentItemChanged(QTreeWidgetItem* current) {
    syncPageList();
    std::optional<std::string> path = model_.selectionChanged(nodeOf(current));
    if (!path)
        return;
    navigate(*path);
    if (!documentComplete_)
        documentComplete_ = connect(browser_, &QTextBrowser::sourceChanged, this,
                                    [this](const QUrl& url) { onSourceChanged(url); });
}

void THelpTree::navigate(const std::string& dosPath) {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host || !QFileInfo(QString::fromStdString(*host)).isFile()) {
        // Show why the page stays empty instead of a blank pane.
        showMissingPage(dosPath);
        return;
    }
    browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(*host)));
}

void THelpTree::showMissingPage(const std::string& path) {
    // Forget the current address first, so that selecting that page again reloads it.
    browser_->setSource(QUrl());
    browser_->setHtml(missingPageHtml(path));
}

void THelpTree::onSourceChanged(const QUrl& url) {
    // Without a folder there is nothing to compare with, not even a parent to open.
    if (model_.directory().empty() || !url.isLocalFile())
        return;
    syncPageList();
    std::optional<std::string> address = toDosPath(url.toLocalFile().toStdString());
    if (!address)
        return;
    std::optional<int> node = model_.documentComplete(*address);
    if (node && itemOf(*node) != currentItem())
        setCurrentItem(itemOf(*node));
    QTreeWidgetItem* selected = currentItem();
    if (selected && selected->parent())
        selected->parent()->setExpanded(true);
}

void THelpTree::onAnchorClicked(const QUrl& url) {
    if (!browser_)
        return;
    if (isWebAddress(url)) {
        if (openExternal_)
            openExternal_(url);
        return;
    }
    const QUrl target = browser_->source().resolved(url);
    if (!target.isLocalFile())
        return; // nothing but local pages and web addresses is followed
    if (!QFileInfo(target.toLocalFile()).isFile()) {
        const std::string host = target.toLocalFile().toStdString();
        showMissingPage(toDosPath(host).value_or(host));
        return;
    }
    browser_->setSource(target);
}

} // namespace qm

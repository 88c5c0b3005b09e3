#include "app/trees/checkfilelistview.h"

#include "app/common/columnfit.h"
#include "app/trees/checkfilelist.h"
#include "app/trees/eventpump.h"
#include "app/trees/listheaderarrow.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace qm {

namespace {

using Column = TCheckFileListView::Column;

class Rows : public QAbstractTableModel {
  public:
    Rows(TCheckFileList& list, std::vector<Column> columns, QObject* parent)
        : QAbstractTableModel(parent), list_(list), columns_(std::move(columns)) {
        list_.onReset = [this] {
            beginResetModel();
            endResetModel();
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        };
        list_.onRowChanged = [this](int row) {
            emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
        };
        fileIcon_ = QFileIconProvider().icon(QFileIconProvider::File);
    }
    ~Rows() override {
        list_.onReset = nullptr;
        list_.onRowChanged = nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : list_.rowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int row = index.row();
        if (!index.isValid() || row >= rowCount())
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromStdString(list_.cellText(row, index.column()));
        if (role == Qt::CheckStateRole && index.column() == 0)
            return list_.rowChecked(row) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::ForegroundRole && list_.rowGrey(row))
            return QColor(150, 150, 150);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(columns_[index.column()].align | Qt::AlignVCenter);
        if (role == Qt::DecorationRole && index.column() == 0)
            return fileIcon_;
        if (role == Qt::ToolTipRole)
            return QString::fromStdString(list_.fullPath(row));
        return {};
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0)
            return false;
        return list_.tick(index.row(), value.toInt() == Qt::Checked);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 0)
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromLatin1(columns_[section].caption);
        if (role == Qt::DecorationRole) {
            const QPixmap arrow = listHeaderArrow(list_.headerArrow(section));
            return arrow.isNull() ? QVariant() : QVariant(arrow);
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(columns_[section].align | Qt::AlignVCenter);
        return {};
    }

  private:
    TCheckFileList& list_;
    std::vector<Column> columns_;
    QIcon fileIcon_;
};

} // namespace

TCheckFileListView::TCheckFileListView(TCheckFileList& list, std::vector<Column> columns,
                                       QWidget* parent)
    : QTreeView(parent), list_(list) {
    setModel(new Rows(list_, columns, this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    // The widths are the least each column gets; a date is never cut short.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00 PM"));
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        header()->resizeSection(i,
                                std::max(columns[i].width, columns[i].date ? dateWidth + 16 : 0));
    // The name takes the width the other columns leave.
    new TColumnFit(*this, 0, columns[0].width);
    list_.servePending = makeEventPump();
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { list_.columnClick(column); });
    // A filled list has a current row, the first, so Space and Enter work before a click.
    connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        if (!currentIndex().isValid() && model()->rowCount() > 0)
            setCurrentIndex(model()->index(0, 0));
    });
}

TCheckFileListView::~TCheckFileListView() {
    list_.servePending = nullptr;
}

void TCheckFileListView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && event->key() == Qt::Key_Space) {
        // Space toggles the row's tick itself, whichever column has the focus.
        const int row = current.row();
        list_.tick(row, !list_.rowChecked(row));
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace qm

#include "app/pages/sync/synclist.h"

#include "app/common/columnfit.h"
#include "app/pages/sync/synclistmodel.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <algorithm>

namespace qm {

namespace {

// The rows of the model as a table for the view; it follows the model's callbacks.
class TSyncListItems : public QAbstractTableModel {
  public:
    TSyncListItems(TSyncListModel& model, QObject* parent)
        : QAbstractTableModel(parent), model_(model) {
        model_.onReset = [this] {
            beginResetModel();
            endResetModel();
        };
        model_.onRowAdding = [this](int row) { beginInsertRows({}, row, row); };
        model_.onRowAdded = [this] { endInsertRows(); };
        model_.onRowChanged = [this](int row) {
            emit dataChanged(index(row, 0), index(row, TSyncListModel::kColumns - 1));
        };
    }
    ~TSyncListItems() override {
        model_.onReset = nullptr;
        model_.onRowAdding = nullptr;
        model_.onRowAdded = nullptr;
        model_.onRowChanged = nullptr;
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(model_.rows().size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : TSyncListModel::kColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount({}))
            return {};
        const TSyncRow& row = model_.rows()[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(model_.text(index.row(), index.column()));
        case Qt::BackgroundRole: {
            const TSyncListModel::Colour c = TSyncListModel::colour(row.kind);
            return QColor(c.red, c.green, c.blue);
        }
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        case Qt::CheckStateRole:
            if (index.column() == 0 && TSyncListModel::checkable(row.kind))
                return row.checked ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::ToolTipRole:
            return QString::fromStdString(row.path);
        default:
            return {};
        }
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0)
            return false;
        model_.setChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.isValid() && index.column() == 0 && index.row() < rowCount({}) &&
            TSyncListModel::checkable(model_.rows()[static_cast<size_t>(index.row())].kind))
            f |= Qt::ItemIsUserCheckable;
        return f;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        // "&" marks no shortcut in a header: shown as it is written.
        return QString::fromLatin1(TSyncListModel::columnTitle(section));
    }

  private:
    TSyncListModel& model_;
};

} // namespace

TSyncList::TSyncList(TSyncListModel& model, QWidget* parent) : QTableView(parent), model_(model) {
    setObjectName(QStringLiteral("lv_Sync"));
    setModel(new TSyncListItems(model_, this));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // Each shown column at its width, or wider where its title needs it.
    for (int c = 0; c < TSyncListModel::kColumns; ++c) {
        const int width = TSyncListModel::columnWidth(c);
        if (width == 0)
            setColumnHidden(c, true);
        else
            setColumnWidth(c, std::max(width, horizontalHeader()->sectionSizeHint(c)));
    }
    // The file name takes the width the dates leave.
    new TColumnFit(*this, 0, columnWidth(0));
}

TSyncList::~TSyncList() = default;

} // namespace qm

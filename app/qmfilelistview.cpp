#include "app/qmfilelistview.h"

#include "app/columnfit.h"
#include "app/eventpump.h"
#include "app/listheaderarrow.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>
#include <cstring>

namespace qm {

namespace {

struct ColumnDef {
    const char* caption;
    int width;
    Qt::Alignment align;
};

constexpr ColumnDef kColumns[] = {
    {"Name", 165, Qt::AlignLeft},
    {"Size", 75, Qt::AlignRight},
    {"Type", 95, Qt::AlignLeft},
    {"Modified", 115, Qt::AlignLeft},
};

class Rows : public QAbstractTableModel {
  public:
    Rows(TQmFilelistModel& model, QObject* parent) : QAbstractTableModel(parent), model_(model) {
        model_.onReset = [this] {
            beginResetModel();
            endResetModel();
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        };
        model_.onRowChanged = [this](int row) {
            emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
        };
        fileIcon_ = QFileIconProvider().icon(QFileIconProvider::File);
    }
    ~Rows() override {
        model_.onReset = nullptr;
        model_.onRowChanged = nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(model_.rows().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int row = index.row();
        if (!index.isValid() || row >= rowCount())
            return {};
        const TQmFilelistModel::Row& r = model_.rows()[row];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case 0:
                return QString::fromStdString(r.name);
            case 1:
                return QString::fromStdString(model_.sizeText(row));
            case 2:
                return QString::fromStdString(r.type);
            default:
                return QString::fromStdString(model_.timeText(row));
            }
        }
        if (role == Qt::CheckStateRole && index.column() == 0)
            return r.checked ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::ForegroundRole && r.hidden)
            return QColor(150, 150, 150);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(kColumns[index.column()].align | Qt::AlignVCenter);
        if (role == Qt::DecorationRole && index.column() == 0)
            return fileIcon_;
        if (role == Qt::ToolTipRole)
            return QString::fromStdString(model_.fullPath(row));
        return {};
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0)
            return false;
        return model_.tick(index.row(), value.toInt() == Qt::Checked);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 0)
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= 4)
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromLatin1(kColumns[section].caption);
        if (role == Qt::DecorationRole) {
            const QPixmap arrow = listHeaderArrow(model_.headerArrow(section));
            return arrow.isNull() ? QVariant() : QVariant(arrow);
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(kColumns[section].align | Qt::AlignVCenter);
        return {};
    }

  private:
    TQmFilelistModel& model_;
    QIcon fileIcon_;
};

} // namespace

TQmFilelistView::TQmFilelistView(TQmFilelistModel& model, QWidget* parent)
    : QTreeView(parent), model_(model) {
    setObjectName(QStringLiteral("QmFilelistView"));
    setToolTip(QStringLiteral("Files to back up"));
    setModel(new Rows(model_, this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    // The widths are the least each column gets; a date is never cut short.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00 PM"));
    for (int i = 0; i < 4; ++i)
        header()->resizeSection(
            i, std::max(kColumns[i].width,
                        std::strcmp(kColumns[i].caption, "Modified") == 0 ? dateWidth + 16 : 0));
    // The name takes the width the other columns leave.
    new TColumnFit(*this, 0, kColumns[0].width);
    model_.servePending = makeEventPump();
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { model_.columnClick(column); });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (model_.DblClickToOpen && index.isValid())
            model_.open(index.row());
    });
}

TQmFilelistView::~TQmFilelistView() {
    model_.servePending = nullptr;
}

void TQmFilelistView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        model_.open(current.row());
        return;
    }
    if (current.isValid() && event->key() == Qt::Key_Space) {
        // Space toggles the row's tick itself, whichever column has the focus.
        const int row = current.row();
        model_.tick(row, !model_.rows()[row].checked);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TQmFilelistView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid())
        model_.click(current.row());
}

} // namespace qm

#include "components/term_list_model.h"

namespace sentrova {

TermListModel::TermListModel(TermList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
  list_.SetObserver(this);
}

TermListModel::~TermListModel() { list_.SetObserver(nullptr); }

int TermListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.Count());
}

int TermListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kColumnTitles.size());
}

QVariant TermListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.Count()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const ListRow& row = list_.Row(static_cast<std::size_t>(index.row()));
  const std::string& text = index.column() == 0 ? row.Caption : row.SubItems[static_cast<std::size_t>(index.column() - 1)];
  return QString::fromStdString(text);
}

QVariant TermListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || static_cast<std::size_t>(section) >= kColumnTitles.size()) return {};
  return QString::fromUtf8(kColumnTitles[static_cast<std::size_t>(section)]);
}

void TermListModel::RowsReset() {
  beginResetModel();
  endResetModel();
}

void TermListModel::RowsAboutToBeAppended(std::size_t first, std::size_t count) {
  beginInsertRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + count - 1));
}

void TermListModel::RowsAppended(std::size_t, std::size_t) { endInsertRows(); }

void TermListModel::RowChanged(std::size_t index) {
  const int row = static_cast<int>(index);
  emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
}

}  // namespace sentrova

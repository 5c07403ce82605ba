// Shows a TermList in Qt item views: one row per terminal, the caption and
// ten sub-items as eleven columns.
#pragma once

#include <QAbstractTableModel>

#include "app/term_list.h"

namespace sentrova {

class TermListModel : public QAbstractTableModel, public TermListObserver {
  Q_OBJECT
 public:
  explicit TermListModel(TermList& list, QObject* parent = nullptr);
  ~TermListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  void RowsReset() override;
  void RowsAboutToBeAppended(std::size_t first, std::size_t count) override;
  void RowsAppended(std::size_t first, std::size_t count) override;
  void RowChanged(std::size_t index) override;

 private:
  TermList& list_;
};

}  // namespace sentrova

// The origin list as the main window shows it: a table model over the core's OriginList, the
// columns of the form table, one row per origin in the order found.
#pragma once

#include <QAbstractTableModel>

#include "readers/origin_search.h"

namespace rq {

class OriginModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kDateTimeColumn = 0, kMessageIdColumn = 1, kDataColumn = 2, kColumnCount = 3 };
  // The row's key: the origin's message ID as the log's bytes (QByteArray), in every column.
  static constexpr int kKeyRole = Qt::UserRole;

  explicit OriginModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const OriginList& origins() const { return origins_; }

  // The rows become exactly these, as one model reset, so that a list of any length reaches the
  // view in one step.
  void SetOrigins(const OriginList& origins);

 private:
  OriginList origins_;
};

}  // namespace rq

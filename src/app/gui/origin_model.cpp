#include "app/gui/origin_model.h"

#include <algorithm>
#include <limits>

#include "app/forms/form_table.h"
#include "base/codepage.h"

namespace rq {
namespace {

QString Display(const std::string& bytes) {
  const std::string utf8 = Cp1252ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

int OriginModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // A view counts rows in int; a list longer than that shows its first int-many rows.
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return static_cast<int>(std::min(origins_.size(), kMax));
}

int OriginModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant OriginModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  const Origin& origin = origins_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      switch (index.column()) {
        case kDateTimeColumn:
          return Display(origin.LogTime);
        case kMessageIdColumn:
          return Display(origin.MessageID);
        default:
          return Display(origin.sData);
      }
    case kKeyRole:
      return QByteArray(origin.MessageID.data(), static_cast<qsizetype>(origin.MessageID.size()));
    default:
      return {};
  }
}

QVariant OriginModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const auto columns = OriginListColumns();
  if (section < 0 || static_cast<std::size_t>(section) >= columns.size()) return {};
  const std::string_view caption = columns[static_cast<std::size_t>(section)].caption;
  return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

void OriginModel::SetOrigins(const OriginList& origins) {
  beginResetModel();
  origins_ = origins;
  endResetModel();
}

}  // namespace rq

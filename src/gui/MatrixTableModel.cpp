#include "gui/MatrixTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "workspace/ValueRules.h"

namespace quantorial {

void MatrixTableModel::SetMatrix(LabelledMatrix m, int decimals) {
  beginResetModel();
  matrix_ = std::move(m);
  decimals_ = decimals;
  endResetModel();
}

void MatrixTableModel::Clear() {
  beginResetModel();
  matrix_ = LabelledMatrix();
  endResetModel();
}

int MatrixTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !matrix_.IsAssigned() ? 0 : matrix_.Upper(1) - matrix_.Lower(1) + 1;
}

int MatrixTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !matrix_.IsAssigned() ? 0 : matrix_.Upper(2) - matrix_.Lower(2) + 1;
}

QString MatrixTableModel::CellText(int row, int col) const {
  const int i = matrix_.Lower(1) + row, j = matrix_.Lower(2) + col;
  const Cell& c = matrix_.Get(i, j);
  // A label (a year in the first column, a number heading a column) reads as written,
  // 1920 rather than 1920.0000; the cells themselves keep their numbers.
  if (i == 0 || j == 0) return QString::fromStdString(quantorial::CellText(c));
  return QString::fromStdString(DisplayText(c, decimals_));
}

QVariant MatrixTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int i = matrix_.Lower(1) + index.row(), j = matrix_.Lower(2) + index.column();
  const bool label = i == 0 || j == 0;
  switch (role) {
    case Qt::DisplayRole:
      return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole: {
      const Cell& c = matrix_.Get(i, j);
      return QVariant::fromValue(Qt::AlignVCenter | (IsNumber(c) && !label ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::BackgroundRole:
      return label ? QVariant(QBrush(QColor(0xE8, 0xEC, 0xF2))) : QVariant();
    case Qt::FontRole:
      if (label) {
        QFont f;
        f.setBold(true);
        return f;
      }
      return {};
    default:
      return {};
  }
}

}  // namespace quantorial

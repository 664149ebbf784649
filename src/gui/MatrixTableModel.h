#pragma once
// A table model over a LabelledMatrix for the grids: cell texts are made when the view
// asks for them, with the workbench's display pattern and decimals. Row 0 and column 0
// (the labels) look like a grid's fixed row and column.

#include <QAbstractTableModel>

#include "workspace/LabelledMatrix.h"

namespace quantorial {

class MatrixTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit MatrixTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Shows a matrix with that many decimals (the matrix is copied).
  void SetMatrix(LabelledMatrix m, int decimals);
  void Clear();
  const LabelledMatrix& Matrix() const { return matrix_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The text a cell shows, as CopyGrid reads it.
  QString CellText(int row, int col) const;

 private:
  LabelledMatrix matrix_;
  int decimals_ = 4;
};

}  // namespace quantorial

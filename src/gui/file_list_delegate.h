#pragma once

#include <QStyledItemDelegate>

namespace tavi {

// Paints a file list row as the file's name, then its folder in a lighter colour, elided in the
// middle when the row is too narrow: with long paths the names are what tells the rows apart. The
// row's text stays the whole path, so sorting and what the worker reads are untouched; its tooltip
// shows it.
class CFileListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace tavi

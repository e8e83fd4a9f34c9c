#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

namespace tavi {

// The log list's lines. Lines arrive one posted message at a time and may come in far faster than
// the screen refreshes, so they are held back and shown in batches: one row insertion, and one
// repaint of the view, per Flush. Line breaks inside a line are not shown, so that every row has
// the same height.
class CLogListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit CLogListModel(QObject* parent = nullptr);

  // Keeps line until the next Flush.
  void Append(const QString& line);
  // Lines shown and held back.
  int TotalCount() const { return static_cast<int>(m_lines.size() + m_pending.size()); }
  bool HasPending() const { return !m_pending.isEmpty(); }
  // Shows every held-back line.
  void Flush();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  QStringList m_lines;
  QStringList m_pending;
};

}  // namespace tavi

#include "gui/log_list_model.h"

namespace tavi {

CLogListModel::CLogListModel(QObject* parent) : QAbstractListModel(parent) {}

void CLogListModel::Append(const QString& line) {
  m_pending.append(line);
}

void CLogListModel::Flush() {
  if (m_pending.isEmpty()) return;
  const auto first = static_cast<int>(m_lines.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(m_pending.size()) - 1);
  m_lines.append(m_pending);
  m_pending.clear();
  endInsertRows();
}

int CLogListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant CLogListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_lines.size()) return {};
  // A line break would make the row taller than the others; the separator line shows empty.
  QString shown = m_lines.at(index.row());
  shown.remove(QLatin1Char('\r'));
  shown.remove(QLatin1Char('\n'));
  return shown;
}

}  // namespace tavi

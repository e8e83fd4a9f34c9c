#include "gui/file_list_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace tavi {

namespace {

// How much of the text's colour the folder keeps against the row's background.
constexpr float kFolderTextWeight = 0.55F;
// Between the name and its folder, in spaces of the row's font.
constexpr int kGapSpaces = 3;

struct SPathParts {
  QString name;
  QString folder;
};

SPathParts SplitPath(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return {path, QString()};
  return {path.mid(slash + 1), slash == 0 ? QStringLiteral("/") : path.left(slash)};
}

QColor Mix(const QColor& front, const QColor& back, float weight) {
  const auto channel = [weight](float f, float b) { return weight * f + (1.0F - weight) * b; };
  return QColor::fromRgbF(channel(front.redF(), back.redF()),
                          channel(front.greenF(), back.greenF()),
                          channel(front.blueF(), back.blueF()));
}

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& option) {
  if (!option.state.testFlag(QStyle::State_Enabled)) return QPalette::Disabled;
  return option.state.testFlag(QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

int GapWidth(const QFontMetrics& metrics) {
  return metrics.horizontalAdvance(QLatin1Char(' ')) * kGapSpaces;
}

}  // namespace

void CFileListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyleOptionViewItem row(option);
  initStyleOption(&row, index);
  const SPathParts parts = SplitPath(row.text);
  row.text.clear();
  const QWidget* widget = row.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  // Background, selection and focus as the style draws them, without the text.
  style->drawControl(QStyle::CE_ItemViewItem, &row, painter, widget);

  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &row, widget);
  const bool selected = row.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group = GroupOf(row);
  const QColor text =
      row.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  const QColor back = row.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
  const QFontMetrics metrics(row.font);

  painter->save();
  painter->setFont(row.font);
  painter->setPen(text);
  // Only a name longer than the whole row is cut short, and in the middle like the folder, so that
  // its ending stays in view.
  const QString name = metrics.elidedText(parts.name, Qt::ElideMiddle, textRect.width());
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, name);
  const QRect folderRect =
      textRect.adjusted(metrics.horizontalAdvance(name) + GapWidth(metrics), 0, 0, 0);
  if (folderRect.width() > 0) {
    painter->setPen(Mix(text, back, kFolderTextWeight));
    painter->drawText(folderRect, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(parts.folder, Qt::ElideMiddle, folderRect.width()));
  }
  painter->restore();
}

QSize CFileListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  // Rows are as wide as the list, whatever their paths: everything is elided to fit, and the
  // tooltip has the whole path, so there is nothing to scroll to sideways.
  const QSize whole = QStyledItemDelegate::sizeHint(option, index);
  return {whole.height(), whole.height()};
}

}  // namespace tavi

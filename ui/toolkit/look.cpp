#include "ui/toolkit/look.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <limits>

QFont MingLiU(double pointSize, bool bold) {
  static const bool present = QFontDatabase::families().contains(QStringLiteral("AR PL UMing TW"));
  QFont font = present ? QFont(QStringLiteral("AR PL UMing TW")) : QFont();
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QFont Tahoma(double pointSize, bool bold) {
  QFont font;
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QIcon SvgIcon(const QString& name) {
  QSvgRenderer renderer(QStringLiteral(":/resources/%1.svg").arg(name));
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (int size : {16, 24, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

void KeepWhole(QLineEdit* input) {
  input->setMaxLength(std::numeric_limits<int>::max());
}

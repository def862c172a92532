// The panel's window icon: three slider thumbs on grooves over a dark tile, with a few grains.
#include "panel_icon.h"

#include <QPainter>
#include <QPixmap>

QPixmap drawPanelIcon(int sizePx) {
  QPixmap pixmap(sizePx, sizePx);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  // Drawn on a 16-unit grid so both sizes keep the same crisp shapes.
  painter.scale(sizePx / 16.0, sizePx / 16.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x20, 0x28, 0x38));
  painter.drawRect(0, 0, 16, 16);

  painter.setBrush(QColor(0x70, 0x80, 0x98));
  for (int x : {3, 7, 11}) {
    painter.drawRect(x + 0.5, 2, 1, 12);
  }
  const QColor thumb(0xF0, 0xB0, 0x30);
  painter.setBrush(thumb);
  const int thumbY[] = {9, 4, 7};
  for (int i = 0; i < 3; ++i) {
    painter.drawRect(2 + 4 * i, thumbY[i], 3, 2);
  }

  painter.setBrush(QColor(0x60, 0xD0, 0xE0));
  painter.drawRect(14, 3, 1, 1);
  painter.drawRect(14, 7, 1, 1);
  painter.drawRect(14, 12, 1, 1);
  return pixmap;
}

QIcon makePanelIcon() {
  QIcon icon;
  icon.addPixmap(drawPanelIcon(32));
  icon.addPixmap(drawPanelIcon(16));
  return icon;
}

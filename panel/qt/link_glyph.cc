// Paints the chain glyph of the link toggles.
#include "link_glyph.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {

// Two oblong links side by side, overlapping when joined and a gap apart when not.
QPixmap chain(QSize size, const QColor& ink, bool joined) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(ink, 1.5));
  const qreal w = size.width();
  const qreal h = size.height();
  const qreal link = w * (joined ? 0.62 : 0.44);
  const qreal height = std::max(h * 0.6, 3.0);
  const qreal top = (h - height) / 2.0;
  const QRectF left(1.0, top, link - 1.0, height);
  const QRectF right(w - link, top, link - 1.0, height);
  const qreal radius = height / 2.0;
  painter.drawRoundedRect(left, radius, radius);
  painter.drawRoundedRect(right, radius, radius);
  return pixmap;
}

}  // namespace

void dressLinkToggle(QAbstractButton* toggle, const QString& pairName) {
  const QString what = QStringLiteral("Link the two %1 sliders").arg(pairName);
  toggle->setToolTip(what);
  toggle->setAccessibleDescription(what);
  // The glyph fits inside the toggle's own rectangle, so it cannot grow it.
  const QSize size(std::max(toggle->width() - 8, 8), std::max(toggle->height() - 8, 4));
  const QColor ink = toggle->palette().color(QPalette::ButtonText);
  QIcon icon;
  icon.addPixmap(chain(size, ink, false), QIcon::Normal, QIcon::Off);
  icon.addPixmap(chain(size, ink, true), QIcon::Normal, QIcon::On);
  toggle->setIconSize(size);
  toggle->setIcon(icon);
}

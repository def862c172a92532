// The panel's window icon: the sizes that the build renders from the one SVG for the icon theme,
// compiled in, so the window shows the very pixels of the application menu.
#include "panel_icon.h"

#include <QSize>
#include <QString>

QIcon makePanelIcon() {
  // The resource sits in a static library, whose unreferenced objects the linker would drop.
  Q_INIT_RESOURCE(panel_icons);
  QIcon icon;
  for (int sizePx : {16, 32, 48, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1x%1/grainpanel.png").arg(sizePx), QSize(sizePx, sizePx));
  }
  return icon;
}

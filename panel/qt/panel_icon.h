// The panel's window icon, drawn in code at 32 x 32 and 16 x 16 pixels.
#pragma once

#include <QIcon>

class QPixmap;

QPixmap drawPanelIcon(int sizePx);
QIcon makePanelIcon();

// The panel's window icon: panel/desktop/grainpanel.svg as rendered for the icon theme.
#pragma once

#include <QIcon>

QIcon makePanelIcon();

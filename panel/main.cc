// Grainpanel: the granular synthesis panel.
#include "panel/panel_app.h"

int main(int argc, char** argv) {
  CPanelApp app(argc, argv);
  return app.InitInstance();
}

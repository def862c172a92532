// Grainpanel: the granular synthesis panel.
#include "panel_app.h"

int main(int argc, char** argv) {
  CPanelApp app(argc, argv);
  return app.InitInstance();
}

// Grainpanel: the granular synthesis panel.
#include "panel_app.h"
#include "panel_command.h"

int main(int argc, char** argv) {
  const PanelCommand command = parsePanelCommand(argc - 1, argv + 1);
  if (command.action != PanelAction::kOpen) {
    return answerPanelCommand(command, stdout, stderr);
  }
  CPanelApp app(argc, argv);
  return app.InitInstance(command);
}

// Grainpanel: the granular synthesis panel.
#include "panel_app.h"
#include "panel_command.h"
#include "sound_output.h"
#include "standard_descriptors.h"

int main(int argc, char** argv) {
  // Without them, the display's connection could take descriptor 2 and get the warnings.
  if (!openStandardDescriptors()) {
    return 1;
  }
  PanelCommand command = parsePanelCommand(argc - 1, argv + 1);
  if (command.action == PanelAction::kOpen) {
    takeOscSettings(command);
  }
  if (command.action != PanelAction::kOpen) {
    return answerPanelCommand(command, stdout, stderr);
  }
  chooseSoundOutput(command.audio, command.connect, command.latencyMs);
  CPanelApp app(argc, argv);
  return app.InitInstance(command);
}

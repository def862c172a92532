// grainrender: renders the granular stream of a sound to a WAV file.
#include "render_command.h"
#include "standard_descriptors.h"

int main(int argc, char** argv) {
  // Without them, the output file could take descriptor 2 and get the messages in its samples.
  if (!openStandardDescriptors()) {
    return kExitFailed;
  }
  return runRenderCommand(argc - 1, argv + 1);
}

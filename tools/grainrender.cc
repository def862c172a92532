// grainrender: renders the granular stream of a sound to a WAV file.
#include "render_command.h"

int main(int argc, char** argv) {
  return runRenderCommand(argc - 1, argv + 1);
}

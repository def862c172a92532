// Runs one render from a command line: parse, load, render in blocks, write, exit status.
#include "render_command.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>
#include <string>

#include "interrupt_cleanup.h"
#include "offline_render.h"
#include "render_options.h"
#include "standard_descriptors.h"
#include "version.h"
#include "wave_writer.h"
#include "write_behind.h"

namespace {

constexpr int kBlockSamples = 65536;

int renderFile(const RenderOptions& options) {
  installInterruptCleanup();
  // The output is checked, and its temporary file made, before the input is read, so a mistyped
  // output path does not cost the load of a long sound first.
  WaveWriter writer;
  const SampleFormat format = options.floatOutput ? SampleFormat::kFloat32 : SampleFormat::kPcm16;
  if (!writer.open(options.outputPath, format, options.sampleCount)) {
    std::fprintf(stderr, "grainrender: %s\n", writer.error().c_str());
    return kExitFailed;
  }
  if (writer.overwrites(options.inputPath)) {
    std::fprintf(stderr, "grainrender: cannot write %s: it is the input file\n",
                 options.outputPath.c_str());
    return kExitFailed;
  }
  OfflineRender render;
  if (const LoadOutcome loaded = render.load(options.inputPath.c_str(), options.convert);
      loaded.result != LoadResult::kLoaded) {
    if (loaded.result == LoadResult::kWrongFormat) {
      std::fprintf(stderr, "%s: %s: %s\n", kWrongFormatText, options.inputPath.c_str(),
                   loaded.reason.c_str());
    } else {
      std::fprintf(stderr, "grainrender: %s: %s\n", loadMessage(loaded.result),
                   options.inputPath.c_str());
    }
    return kExitFailed;
  }
  uint32_t seed = options.seed;
  if (!options.seedGiven) {
    seed = static_cast<uint32_t>(std::time(nullptr));
    std::fprintf(stderr, "seed %u\n", seed);
  }
  render.start(options.positions, seed);
  // A take replayed: its Run is played from the start, with every change at its sample, and the
  // output begins where the recording began.
  render.takeChanges(options.changes);
  render.skip(options.firstSample);
  // The file is written on a second thread while the next blocks render; the bytes are the
  // same, in the same order.
  WriteBehind behind(writer, kBlockSamples);
  for (uint32_t done = 0; done < options.sampleCount;) {
    const int n = static_cast<int>(std::min<uint32_t>(options.sampleCount - done, kBlockSamples));
    float* block = behind.acquire();
    if (block == nullptr) {
      break;
    }
    render.render(block, n);
    behind.submit(n);
    done += static_cast<uint32_t>(n);
  }
  if (!behind.finish()) {
    std::fprintf(stderr, "grainrender: %s\n", writer.error().c_str());
    return kExitFailed;
  }
  if (!writer.commit()) {
    std::fprintf(stderr, "grainrender: %s\n", writer.error().c_str());
    return kExitFailed;
  }
  return kExitWritten;
}

}  // namespace

int runRenderCommand(int argc, const char* const* argv) {
  RenderOptions options;
  std::string problem;
  switch (parseRenderOptions(argc, argv, options, problem)) {
    case ParseOutcome::kHelp:
      std::fputs(kRenderUsage, stdout);
      return flushStandardOutput("grainrender", stdout, stderr) ? kExitWritten : kExitFailed;
    case ParseOutcome::kVersion:
      std::printf("grainrender %s\n", kVersion);
      return flushStandardOutput("grainrender", stdout, stderr) ? kExitWritten : kExitFailed;
    case ParseOutcome::kBadUsage:
      std::fprintf(stderr, "grainrender: %s\n%s", problem.c_str(), kRenderUsage);
      return kExitUsage;
    case ParseOutcome::kBadSettings:
      std::fprintf(stderr, "grainrender: %s\n", problem.c_str());
      return kExitFailed;
    case ParseOutcome::kRender:
      break;
  }
  for (const std::string& warning : options.warnings) {
    std::fprintf(stderr, "grainrender: %s\n", warning.c_str());
  }
  // The sound's buffer is allocated without throwing. Memory can still run out just after it,
  // in the standard library; unwinding then removes the temporary file, where an uncaught
  // exception would abort and leave it.
  try {
    return renderFile(options);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "grainrender: %s: %s\n", kNoMemoryText, options.inputPath.c_str());
    return kExitFailed;
  }
}

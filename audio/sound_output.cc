// The process's choice of output: the JACK client or SDL, and the ring's size.
#include "sound_output.h"

#include "jack_client.h"
#include "stream_out.h"

namespace {

JackClient* chosenClient = nullptr;
uint32_t chosenRingBytes = StreamOut::kRingBytes;

}  // namespace

AudioApi chooseSoundOutput(AudioApi api, bool connect, int latencyMs) {
  chosenRingBytes = ringBytesForLatency(latencyMs);
  if (api == AudioApi::kSdl) {
    return AudioApi::kSdl;
  }
  // Never destroyed: a worker still closing its ring as the process ends may need it, and the
  // server drops a client whose process has gone.
  static JackClient* client = new JackClient;
  if (client->open(connect) || api == AudioApi::kJack) {
    chosenClient = client;
    return AudioApi::kJack;
  }
  return AudioApi::kSdl;
}

JackClient* jackOutput() {
  return chosenClient;
}

uint32_t outputRingBytes() {
  return chosenRingBytes;
}

// Hands the JACK client's MIDI events to a sink for as long as the link lives: the client stays
// for the process's life, the sink (the window's MIDI queue) goes before it.
#pragma once

#include "jack_client.h"

class JackMidiLink {
 public:
  // Links only a client that runs; a null or closed one leaves MIDI to other inputs.
  JackMidiLink(JackClient* client, MidiSink& sink)
      : client(client != nullptr && client->running() ? client : nullptr) {
    if (this->client != nullptr) {
      this->client->setMidiSink(&sink);
    }
  }
  // Returns once no process cycle calls the sink any more.
  ~JackMidiLink() {
    if (client != nullptr) {
      client->setMidiSink(nullptr);
    }
  }
  JackMidiLink(const JackMidiLink&) = delete;
  JackMidiLink& operator=(const JackMidiLink&) = delete;

  bool linked() const { return client != nullptr; }

 private:
  JackClient* client;
};

// The session protocol's rules that a well-behaved manager never exercises.
#include "nsm_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Host : NsmHost {
  bool openState(const std::string&, std::string& problem) override {
    if (client != nullptr) {
      client->changed(heardWhileLoading);
    }
    problem = "state.grainpanel:3: bad";
    return opens;
  }
  bool saveState(const std::string&, std::string&) override { return true; }
  void showGui(bool) override {}
  bool guiShown() const override { return true; }

  NsmClient* client = nullptr;
  bool opens = true;
  std::vector<OscMessage> heardWhileLoading;
};

OscMessage message(const char* path, std::vector<OscValue> args = {}) {
  OscMessage m;
  m.path = path;
  m.args = std::move(args);
  return m;
}

std::string lines(const std::vector<OscMessage>& out) {
  std::string text;
  for (const OscMessage& m : out) {
    text += m.path;
    for (const OscValue& v : m.args) {
      text += ' ' + (v.type == 's' ? v.s : std::to_string(v.i));
    }
    text += '\n';
  }
  return text;
}

TEST(NsmClient, SavesOnlyAnOpenSessionAndReportsDirtyOnceAfterAnnounceAndNotWhileLoading) {
  Host host;
  NsmClient client(host);
  host.client = &client;
  std::vector<OscMessage> out;
  client.changed(out);
  client.receive(message("/nsm/client/save"), out);
  client.receive(message("/reply", {oscString("/nsm/server/announce"), oscString("hi")}), out);
  host.opens = false;
  client.receive(message("/nsm/client/open", {oscString("/s/a"), oscString("A"), oscString("n")}),
                 out);
  host.opens = true;
  client.receive(message("/nsm/client/open", {oscString("/s/b"), oscString("B"), oscString("n")}),
                 out);
  client.changed(out);
  client.changed(out);
  client.receive(message("/nsm/client/save"), out);
  EXPECT_EQ(lines(out),
            "/error /nsm/client/save -6 No session is open\n"
            "/nsm/client/gui_is_shown\n"
            "/error /nsm/client/open -9 state.grainpanel:3: bad\n"
            "/reply /nsm/client/open Opened /s/b.grainpanel\n"
            "/nsm/client/is_dirty\n"
            "/reply /nsm/client/save Saved /s/b.grainpanel\n"
            "/nsm/client/is_clean\n");
  EXPECT_TRUE(host.heardWhileLoading.empty());
}

}  // namespace

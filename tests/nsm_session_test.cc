// grainpanel in a session: a small Non Session Manager written here starts the built program,
// opens, dirties (through OSC), saves, hides and ends it as a manager does.
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "test_wav.h"

extern char** environ;

namespace {

// The manager's side: every message it hears, as "PATH ARG ARG..." lines, and its client.
class TestManager {
 public:
  TestManager() {
    m_server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
    lo_server_add_method(m_server, nullptr, nullptr, &TestManager::collect, this);
  }
  ~TestManager() {
    if (m_client != nullptr) {
      lo_address_free(m_client);
    }
    lo_server_free(m_server);
  }

  std::string url() const {
    return "osc.udp://127.0.0.1:" + std::to_string(lo_server_get_port(m_server)) + "/";
  }

  // The first message heard at `path` within ten seconds, or "" when none came.
  std::string waitFor(const std::string& path) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      for (size_t k = 0; k < m_heard.size(); ++k) {
        if (m_heard[k].compare(0, path.size() + 1, path + " ") == 0 || m_heard[k] == path) {
          const std::string found = m_heard[k];
          m_heard.erase(m_heard.begin() + static_cast<long>(k));
          return found;
        }
      }
      lo_server_recv_noblock(m_server, 50);
    }
    return "";
  }

  void send(const char* path, lo_message message) {
    lo_send_message_from(m_client, m_server, path, message);
    lo_message_free(message);
  }

 private:
  static int collect(const char* path, const char* types, lo_arg** argv, int argc,
                     lo_message message, void* self) {
    auto* manager = static_cast<TestManager*>(self);
    if (manager->m_client == nullptr) {
      manager->m_client =
          lo_address_new_from_url(lo_address_get_url(lo_message_get_source(message)));
    }
    std::string line = path;
    for (int k = 0; k < argc; ++k) {
      line += ' ';
      line += types[k] == 's' ? std::string(&argv[k]->s) : std::to_string(argv[k]->i);
    }
    manager->m_heard.push_back(line);
    return 0;
  }

  lo_server m_server = nullptr;
  lo_address m_client = nullptr;
  std::vector<std::string> m_heard;
};

lo_message strings(std::initializer_list<const char*> values) {
  lo_message message = lo_message_new();
  for (const char* value : values) {
    lo_message_add_string(message, value);
  }
  return message;
}

// A port no one listens on now, for the panel's OSC control.
int freePort() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

std::string text(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(NsmSession, OpensSavesReportsDirtyHidesAndEndsOnTerm) {
  TestManager manager;
  testwav::TempDir session;
  const std::string oscPort = std::to_string(freePort());
  const std::string nsmUrl = "NSM_URL=" + manager.url();
  std::vector<std::string> env = {nsmUrl, "QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=dummy"};
  for (char** e = environ; *e != nullptr; ++e) {
    env.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& e : env) {
    envp.push_back(e.data());
  }
  envp.push_back(nullptr);
  const char* argv[] = {GRAINPANEL_PATH, "--osc-port", oscPort.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(
      posix_spawn(&pid, GRAINPANEL_PATH, nullptr, nullptr, const_cast<char**>(argv), envp.data()),
      0);

  const std::string announce = manager.waitFor("/nsm/server/announce");
  EXPECT_EQ(announce, "/nsm/server/announce Grainpanel :dirty:optional-gui: grainpanel 1 2 " +
                          std::to_string(pid));
  manager.send("/reply", strings({"/nsm/server/announce", "Welcome", "test", ":server-control:"}));
  EXPECT_EQ(manager.waitFor("/nsm/client/gui_is_shown"), "/nsm/client/gui_is_shown");

  const std::string prefix = session.pathOf("Grainpanel.nTEST");
  manager.send("/nsm/client/open", strings({prefix.c_str(), "Grainpanel", "nTEST"}));
  EXPECT_EQ(manager.waitFor("/reply"), "/reply /nsm/client/open Opened " + prefix + ".grainpanel");

  lo_address panel = lo_address_new("127.0.0.1", oscPort.c_str());
  lo_send(panel, "/grainpanel/length1", "i", 1234);
  lo_address_free(panel);
  EXPECT_EQ(manager.waitFor("/nsm/client/is_dirty"), "/nsm/client/is_dirty");

  manager.send("/nsm/client/save", lo_message_new());
  EXPECT_EQ(manager.waitFor("/reply"), "/reply /nsm/client/save Saved " + prefix + ".grainpanel");
  EXPECT_EQ(manager.waitFor("/nsm/client/is_clean"), "/nsm/client/is_clean");
  EXPECT_NE(text(prefix + ".grainpanel").find("length1 = 1234\n"), std::string::npos);

  manager.send("/nsm/client/hide_optional_gui", lo_message_new());
  EXPECT_EQ(manager.waitFor("/nsm/client/gui_is_hidden"), "/nsm/client/gui_is_hidden");

  // A state that cannot be read is refused with its reason, and the panel stays in the session.
  std::ofstream(session.pathOf("Bad.nBAD.grainpanel")) << "length1 = loud\n";
  const std::string bad = session.pathOf("Bad.nBAD");
  manager.send("/nsm/client/open", strings({bad.c_str(), "Grainpanel", "nBAD"}));
  const std::string refused = manager.waitFor("/error");
  EXPECT_EQ(refused.substr(0, 27 + bad.size() + 15),
            "/error /nsm/client/open -9 " + bad + ".grainpanel:1: ");

  kill(pid, SIGTERM);
  int status = -1;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace

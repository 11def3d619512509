// The remote diagnostic output, received by a real socket on loopback.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qinfo.h>
#include <kiln/qremote.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "message_capture.h"
#include "remote_internal.h"
#include "test_support.h"

using kiln::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

class RemoteOutput : public ::testing::Test {
protected:
  // The receiver is a plain socket: nothing of the library runs (or prints,
  // starting the log and the remote output) before a child takes over.
  void SetUp() override {
    receiver = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(receiver, reinterpret_cast<sockaddr *>(&address), &length), 0);
    port = ntohs(address.sin_port);
  }
  void TearDown() override { close(receiver); }

  void WriteOptions(const std::string &text, mode_t mode = 0644) {
    dir.WriteFile("kilnopt.txt", text);
    chmod(dir.Path("kilnopt.txt").c_str(), mode);
  }

  // Runs `body` in a child whose remote output reads this test's option file.
  void InChild(const std::function<void()> &body) {
    std::string options = dir.Path("kilnopt.txt");
    auto run = kiln::test::RunInChild(
        [&] {
          kiln::net::SetOptionFile(options.c_str());
          body();
        },
        dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
  }

  Texts Received() {
    Texts texts;
    char buffer[4096];
    pollfd wait{receiver, POLLIN, 0};
    while (poll(&wait, 1, 300) == 1) {
      const ssize_t got = recv(receiver, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      texts.emplace_back(buffer, static_cast<std::size_t>(got));
    }
    return texts;
  }

  TempDir dir;
  int receiver = -1;
  int port = -1;
};

TEST_F(RemoteOutput, OptionFileSendsEveryRemoteText) {
  WriteOptions("remotehost 127.0.0.1\nport " + std::to_string(port) + "\nother ignored\n");
  InChild([] {
    qdbg("debug %d\n", 1);
    qerr("broken");
    qwarn("not remote");
    qout("plain");
  });
  EXPECT_EQ(Received(), (Texts{"INFO: --- application start ---\n", "debug 1\n", "ERR: broken\n", "plain"}));
}

TEST_F(RemoteOutput, NoFileNoHostOrUntrustedFileStaySilent) {
  InChild([] { qdbg("nothing to send\n"); });  // no option file at all
  WriteOptions("port " + std::to_string(port) + "\n");
  InChild([] { qdbg("no host\n"); });
  WriteOptions("remotehost 127.0.0.1 port " + std::to_string(port) + "\n", 0666);
  InChild([] { qdbg("anyone could have written that\n"); });
  WriteOptions("remotehost 127.0.0.1\nport");  // a key without a value is ignored
  InChild([] { qdbg("port 0\n"); });
  // A link in place of the file is not followed, even to a good file.
  dir.WriteFile("good.txt", "remotehost 127.0.0.1 port " + std::to_string(port) + "\n");
  chmod(dir.Path("good.txt").c_str(), 0644);
  unlink(dir.Path("kilnopt.txt").c_str());
  ASSERT_EQ(symlink("good.txt", dir.Path("kilnopt.txt").c_str()), 0);
  InChild([] { qdbg("through a link\n"); });
  EXPECT_EQ(Received(), Texts{});
}

TEST_F(RemoteOutput, ClosingReadsTheOptionFileAgain) {
  std::string path = dir.Path("kilnopt.txt");
  int target = port;
  WriteOptions("remotehost 127.0.0.1 port 1\n");
  InChild([&] {
    qdbg("to port 1\n");
    FILE *file = std::fopen(path.c_str(), "w");
    std::fprintf(file, "remotehost 127.0.0.1 port %d\n", target);
    std::fclose(file);
    qdbg("still to port 1\n");
    qdbg_udp_close();
    qdbg("read again\n");
  });
  EXPECT_EQ(Received(), Texts{"read again\n"});
}

TEST_F(RemoteOutput, SetupFromAConfigurationTree) {
  dir.WriteFile("app.cfg", "dev\n{\n  udp_out=127.0.0.1:" + std::to_string(port) + "\n}\nbad\n{\n  udp_out=nocolon\n}\n");
  std::string config = dir.Path("app.cfg");
  InChild([&] {
    qdbg("before\n");  // no option file: nothing
    QInfo info(config.c_str());
    qdbg_setup(info);
    qdbg("after setup\n");
    qdbg_setup(info);  // replacing an open output
    qdbg("after the second setup\n");
  });
  // The first notice comes before there is an output to send it on.
  EXPECT_EQ(Received(), (Texts{"after setup\n", "INFO: qdbg_setup: UDP output to 127.0.0.1:" + std::to_string(port) + "\n",
                               "after the second setup\n"}));
}

TEST_F(RemoteOutput, SetupWarnings) {
  dir.WriteFile("bad.cfg", "dev\n{\n  udp_out=nocolon\n}\n");
  std::string config = dir.Path("bad.cfg");
  auto run = kiln::test::RunInChild(
      [&] {
        kiln::net::SetOptionFile(dir.Path("none").c_str());
        kiln::test::MessageCapture capture;
        QInfo info(config.c_str());
        qdbg_setup(info);
        QInfo empty(dir.Path("missing.cfg").c_str(), QINFO_QUIET);
        qdbg_setup(empty);
        std::printf("%s", capture.Take().c_str());
      },
      dir.path());
  EXPECT_EQ(run.out, "qdbg_setup: need host:port in dev_udpout (now 'nocolon')\n");
}

}  // namespace

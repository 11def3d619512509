// Messages through qdbg() with the remote output on, sent to a receiver on
// loopback, against a plain sendto() loop of the same texts. Standard error
// goes to /dev/null through a large buffer, as a program that logs much
// would have it.
#include <benchmark/benchmark.h>

#include <kiln/qdebug.h>
#include <kiln/qinfo.h>
#include <kiln/qnsocket.h>
#include <kiln/qremote.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ratio_reporter.h"

namespace {

const char *const kTexts[] = {"frame 1024 drawn in 16 ms\n", "loading textures/hull.tga\n",
                              "state 'menu' entered\n", "score 125000, lives 3\n"};

struct Receiver {
  QNSocket socket;
  int port = -1;
  Receiver() {
    for (int attempt = 0; attempt < 50 && port < 0; ++attempt) {
      int candidate = 30000 + (getpid() * 3 + attempt * 173) % 20000;
      if (socket.Open(candidate, QNS_UDP)) port = candidate;
    }
  }
};

Receiver &TheReceiver() {
  static Receiver receiver;
  return receiver;
}

void KilnRemote(benchmark::State &state) {
  for (auto _ : state) {
    for (const char *text : kTexts) qdbg("%s", text);
  }
  state.SetItemsProcessed(state.iterations() * 4);
}

void PlainSendto(benchmark::State &state) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(TheReceiver().port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (auto _ : state) {
    for (const char *text : kTexts) {
      if (sendto(fd, text, std::strlen(text), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0) {
        state.SkipWithError("sendto failed");
      }
    }
  }
  close(fd);
  state.SetItemsProcessed(state.iterations() * 4);
}

// Whether the receiver gets `text` within a second, past older datagrams.
bool Received(const char *text) {
  QNSocket &socket = TheReceiver().socket;
  char buffer[256];
  pollfd wait = {socket.GetDescriptor(), POLLIN, 0};
  while (poll(&wait, 1, 1000) == 1) {
    int length = socket.Read(buffer, sizeof buffer - 1);
    if (length < 0) return false;
    buffer[length] = 0;
    if (std::strcmp(buffer, text) == 0) return true;
  }
  return false;
}

BENCHMARK(KilnRemote)->MinTime(1.0);
BENCHMARK(PlainSendto)->MinTime(1.0);

}  // namespace

int main(int argc, char **argv) {
  if (TheReceiver().port < 0) return 1;
  // The remote output to the receiver, set up as a program would.
  char pattern[] = "/tmp/kiln-remote-bench-XXXXXX";
  std::string directory = mkdtemp(pattern);
  std::string config = directory + "/app.cfg";
  if (FILE *file = std::fopen(config.c_str(), "w")) {
    std::fprintf(file, "dev\n{\n  udp_out=127.0.0.1:%d\n}\n", TheReceiver().port);
    std::fclose(file);
  }
  static char buffer[1 << 16];
  if (!std::freopen("/dev/null", "w", stderr)) return 1;
  std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
  qlog_set_mask(0);  // no notice lines in a log file during the run
  {
    QInfo info(config.c_str());
    qdbg_setup(info);
  }
  if (chdir(directory.c_str()) != 0) return 1;
  // Both sides must reach the receiver before their speeds mean anything.
  qdbg("probe from qdbg\n");
  if (!Received("probe from qdbg\n")) {
    std::printf("the remote output does not reach the receiver\n");
    return 1;
  }
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("qdbg with remote output vs plain sendto", "PlainSendto", "KilnRemote", "(speed ratio; goal: at least 0.8)");
  std::remove(config.c_str());
  std::remove((directory + "/QLOG.txt").c_str());
  rmdir(directory.c_str());
  return 0;
}

// The diagnostic outputs mirrored to the network: the program starts a UDP
// listener of its own on loopback, points the remote output at it with the
// configuration key "dev.udp_out" of a configuration file, writes debug and
// plain text, and prints every datagram the listener received. A program
// in the field is pointed at a developer's machine the same way, or by the
// option file "/tmp/kilnopt.txt".
//   udp_log [COUNT]
// Needs no display; the status is 1 when a message did not arrive.
#include <kiln/qdebug.h>
#include <kiln/qinfo.h>
#include <kiln/qnaddress.h>
#include <kiln/qnsocket.h>
#include <kiln/qremote.h>
#include <kiln/qutil.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A socket bound to a free port of 127.0.0.1; the port, or 0.
int ListenOnLoopback(QNSocket &listener) {
  QNAddress here;
  if (!listener.Open(0, QNS_UDP, QNS_NO_BIND) || !here.GetByName("127.0.0.1") || listener.Bind(here) != 0) return 0;
  listener.GetLocalAddress(&here);
  return here.GetPort();
}

// Points the remote output at the port through a configuration file, as a
// program's own configuration would.
bool SendDiagnosticsTo(int port) {
  char scratch[] = "/tmp/udp-log-XXXXXX";
  if (!mkdtemp(scratch)) return false;
  const std::string file = std::string(scratch) + "/app.cfg";
  const std::string text = "dev\n{\n  udp_out=127.0.0.1:" + std::to_string(port) + "\n}\n";
  bool written = QWriteFile(file.c_str(), text.data(), static_cast<long>(text.size()));
  if (written) {
    QInfo config(file.c_str());
    qdbg_setup(config);
  }
  std::remove(file.c_str());
  rmdir(scratch);
  return written;
}

// The datagrams that arrive within a second of each other.
int PrintReceived(QNSocket &listener) {
  int received = 0;
  QNPacket packet;
  for (pollfd waiting{listener.GetDescriptor(), POLLIN, 0}; poll(&waiting, 1, 1000) == 1;) {
    if (listener.ReadPacket(&packet) <= 0) break;
    std::printf("received: %.*s", packet.length, packet.data);
    ++received;
  }
  return received;
}

}  // namespace

int main(int argc, char **argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 3;
  if (argc > 2 || count < 1 || count > 100) {
    std::fprintf(stderr, "usage: udp_log [COUNT]\n");
    return 2;
  }
  QNSocket listener;
  const int port = ListenOnLoopback(listener);
  if (!port || !SendDiagnosticsTo(port)) {
    std::fprintf(stderr, "udp_log: no listener on loopback\n");
    return 1;
  }
  for (int i = 1; i <= count; ++i) qdbg("debug line %d of %d\n", i, count);
  qout("plain text, the last\n");
  const int received = PrintReceived(listener);
  std::printf("udp_log: %d of %d messages arrived\n", received, count + 1);
  return received >= count + 1 ? 0 : 1;
}

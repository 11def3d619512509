// A program outside the project that only calls qdbg(): linked with the
// installed library, its text must also arrive as a datagram at the host
// and port of the option file. It works in a mount namespace of its own
// whose /tmp is empty, so that no other program sees its option file;
// "--own-tmp" says /tmp is its own already (a scratch system's).
#include <kiln/qdebug.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char kText[] = "consumer datagram\n";

bool PrivateTmp() {
  return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", "/tmp", "tmpfs", 0, "size=64k") == 0;
}

}  // namespace

int main(int argc, char **argv) {
  const bool ownTmp = argc == 2 && std::strcmp(argv[1], "--own-tmp") == 0;
  if (!ownTmp && !PrivateTmp()) {
    std::printf("remote skipped: no mount namespace (%s)\n", std::strerror(errno));
    return 0;
  }
  int receiver = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (receiver < 0 || bind(receiver, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      getsockname(receiver, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
    std::printf("no receiver\n");
    return 1;
  }
  FILE *options = std::fopen("/tmp/kilnopt.txt", "w");
  if (!options) return 1;
  std::fprintf(options, "remotehost 127.0.0.1 port %d\n", ntohs(address.sin_port));
  std::fclose(options);

  qdbg("%s", kText);

  // The start line of the log comes first.
  pollfd wait = {receiver, POLLIN, 0};
  while (poll(&wait, 1, 3000) == 1) {
    char got[256] = {};
    if (recv(receiver, got, sizeof got - 1, 0) > 0 && std::strcmp(got, kText) == 0) {
      std::printf("remote ok\n");
      return 0;
    }
  }
  std::printf("no datagram\n");
  return 1;
}

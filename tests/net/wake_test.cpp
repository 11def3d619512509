// Wake-on-LAN: the magic packet, sent by broadcast inside a network
// namespace and caught in a second one joined to it by a veth pair. No
// packet leaves the namespaces.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qnet.h>
#include <kiln/qnsocket.h>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "message_capture.h"

namespace {

class Namespaces {
public:
  Namespaces() {
    std::string id = std::to_string(getpid());
    sender = "kiln-wake-a" + id;
    catcher = "kiln-wake-b" + id;
    std::string setup = "ip netns add " + sender + " && ip netns add " + catcher +
                        " && ip -n " + sender + " link add va type veth peer name vb netns " + catcher +
                        " && ip -n " + sender + " addr add 10.213.0.1/24 dev va && ip -n " + catcher +
                        " addr add 10.213.0.2/24 dev vb && ip -n " + sender + " link set va up && ip -n " + catcher +
                        " link set vb up && ip -n " + sender + " link set lo up && ip -n " + sender +
                        " route add default dev va 2>/dev/null";
    ready = std::system((setup + " >/dev/null 2>&1").c_str()) == 0;
  }
  ~Namespaces() {
    std::string cleanup = "ip netns del " + sender + " 2>/dev/null; ip netns del " + catcher + " 2>/dev/null";
    if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "can't remove the test namespaces\n");
  }
  bool Enter(const std::string &name) {
    int fd = open(("/var/run/netns/" + name).c_str(), O_RDONLY);
    bool entered = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) close(fd);
    return entered;
  }

  std::string sender, catcher;
  bool ready = false;
};

TEST(WakeOnLan, MagicPacketByBroadcastInANamespace) {
  if (geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
  Namespaces spaces;
  if (!spaces.ready) GTEST_SKIP() << "can't make network namespaces here (ip netns)";
  int caught[2];
  ASSERT_EQ(pipe(caught), 0);
  pid_t catcher = fork();
  if (catcher == 0) {
    // Catch one datagram on port 9 in the second namespace.
    if (!spaces.Enter(spaces.catcher)) _exit(2);
    kiln::test::MessageCapture quiet;
    QNSocket socket;
    if (!socket.Open(9, QNS_UDP)) _exit(3);
    if (write(caught[1], "r", 1) != 1) _exit(4);
    pollfd wait{socket.GetDescriptor(), POLLIN, 0};
    if (poll(&wait, 1, 5000) != 1) _exit(5);
    char packet[200];
    int got = socket.Read(packet, sizeof packet);
    if (write(caught[1], packet, static_cast<std::size_t>(got > 0 ? got : 0)) != got) _exit(6);
    _exit(0);
  }
  char ready;
  ASSERT_EQ(read(caught[0], &ready, 1), 1);
  pid_t sender = fork();
  if (sender == 0) {
    if (!spaces.Enter(spaces.sender)) _exit(2);
    kiln::test::MessageCapture quiet;
    qlog_set_mask(0);  // the notices of the wake-up have no callback
    QNHardwareAddress address;
    qnTextToHardwareAddress("00:11:22:aa:bb:cc", &address);
    qnWakeUp(&address, 1, 0);
    _exit(0);
  }
  int status = 0;
  waitpid(sender, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  waitpid(catcher, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0) << "no packet arrived";
  close(caught[1]);
  unsigned char packet[200];
  ssize_t got = read(caught[0], packet, sizeof packet);
  close(caught[0]);
  ASSERT_EQ(got, 102);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(packet[i], 0xFF);
  const unsigned char mac[6] = {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc};
  for (int copy = 0; copy < 16; ++copy) EXPECT_EQ(std::memcmp(packet + 6 + copy * 6, mac, 6), 0) << copy;
}

}  // namespace

#include <kiln/qnsocket.h>

#include <kiln/qdebug.h>
#include <kiln/qnet.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "net_internal.h"

namespace {

constexpr int kReadLimit = 4096;

int SetOption(int fd, int level, int option, bool on) {
  int value = on ? 1 : 0;
  return setsockopt(fd, level, option, &value, sizeof value);
}

}  // namespace

QNSocket::QNSocket() { qnInit(); }

QNSocket::~QNSocket() { Close(); }

void QNSocket::Close() {
  if (fd >= 0) close(fd);
  fd = -1;
  local = QNAddress();
  remote = QNAddress();
}

bool QNSocket::Open(int port, int socketType, int openFlags, const char *host) {
  flags |= openFlags;
  type = socketType;
  if (type != QNS_TCP && type != QNS_UDP) {
    kiln::net::ReportError("QNSocket:Open(); unknown type %d", type);
    return false;
  }
  Close();
  fd = socket(AF_INET, type == QNS_UDP ? SOCK_DGRAM : SOCK_STREAM, type == QNS_UDP ? IPPROTO_UDP : IPPROTO_TCP);
  if (fd < 0) {
    kiln::net::ReportError("QNSocket:Open(); can't create socket");
    return false;
  }
  if (type == QNS_UDP) {
    if ((flags & QNS_REUSE_ADDR) && SetReuseAddr(true) < 0) {
      kiln::net::ReportError("QNSocket:SetReuseAddr(); can't set");
      Close();
      return false;
    }
    local.Set(AF_INET, 0, port);
    remote.Set(AF_INET, 0, port);
    if (host && *host) {
      // A destination that can't be found is no destination.
      if (!remote.GetByName(host)) {
        Close();
        return false;
      }
    } else if (!(flags & QNS_NO_BIND) && Bind(local) < 0) {
      kiln::net::ReportError("QNSocket:Bind(); can't bind to address %s", local.ToString());
      Close();
      return false;
    }
    if ((flags & QNS_BROADCAST) && SetBroadcast(true) < 0) {
      kiln::net::ReportError("QNSocket:SetBroadcast(); can't set");
      return false;
    }
    return true;
  }
  std::signal(SIGPIPE, SIG_IGN);
  remote.Set(AF_INET, 0, port);
  if (!host || !remote.GetByName(host)) {
    qwarn("QClientSocket::Open(); host '%s' unknown", host ? host : "");
    Close();
    return false;
  }
  const sockaddr_in &to = remote.GetSocketAddress();
  if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
    qwarn("QSocket::Open(); can't connect to '%s'", host);
    Close();
    return false;
  }
  if ((flags & QNS_NO_DELAY) && SetOption(fd, IPPROTO_TCP, TCP_NODELAY, true) != 0) {
    std::perror("QClientSocket:Open(); TCP_NODELAY");
  }
  if ((flags & QNS_KEEP_ALIVE) && SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, true) != 0) {
    std::perror("QClientSocket:Open(); SO_KEEPALIVE");
  }
  return true;
}

int QNSocket::Bind(const QNAddress &address) {
  if (fd < 0) return -1;
  const sockaddr_in &at = address.GetSocketAddress();
  return bind(fd, reinterpret_cast<const sockaddr *>(&at), sizeof at);
}

bool QNSocket::Listen(int port, int backlog, bool quiet) {
  Close();
  fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) {
    qerr("QNSocket:Listen(); can't create (inet/stream) socket\n");
    return false;
  }
  std::memset(&listenAddress, 0, sizeof listenAddress);
  listenAddress.sin_family = AF_INET;
  listenAddress.sin_addr.s_addr = htonl(INADDR_ANY);
  listenAddress.sin_port = htons(static_cast<uint16_t>(port));
  if ((flags & QNS_REUSE_ADDR) && SetReuseAddr(true) < 0) kiln::net::ReportError("QNSocket:SetReuseAddr(); can't set");
  if (bind(fd, reinterpret_cast<const sockaddr *>(&listenAddress), sizeof listenAddress) != 0) {
    if (!quiet) qwarn("QNSocket:Listen(): bind failed; %s", std::strerror(errno));
    Close();
    return false;
  }
  if (listen(fd, backlog) != 0) {
    qwarn("QNSocket:Listen(): listen() failed");
    Close();
    return false;
  }
  return true;
}

QNSocket *QNSocket::Accept(long timeoutMicroseconds) {
  if (fd < 0) return nullptr;
  if (timeoutMicroseconds > 0) {
    // poll, not select: descriptors above 1024 wait as well.
    pollfd wait{fd, POLLIN, 0};
    int milliseconds = static_cast<int>((timeoutMicroseconds + 999) / 1000);
    if (poll(&wait, 1, milliseconds) <= 0 || !(wait.revents & POLLIN)) return nullptr;
  }
  socklen_t size = sizeof listenAddress;
  int accepted = accept(fd, reinterpret_cast<sockaddr *>(&listenAddress), &size);
  if (accepted < 0) {
    qwarn("QNSocket::Accept() failed to accept");
    return nullptr;
  }
  const auto *bytes = reinterpret_cast<const unsigned char *>(&listenAddress.sin_addr.s_addr);
  std::snprintf(peerText, sizeof peerText, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  std::signal(SIGPIPE, SIG_IGN);
  auto *peer = new QNSocket;
  peer->fd = accepted;
  peer->type = QNS_TCP;
  std::memcpy(peer->peerText, peerText, sizeof peerText);
  peer->remote.GetSocketAddress() = listenAddress;
  peerText[0] = '\0';
  return peer;
}

int QNSocket::Write(const void *data, int length, const QNAddress *destination) {
  if (length < 0) return 0;
  if (fd < 0) return -1;
  ssize_t sent;
  if (type == QNS_UDP) {
    sockaddr_in to;
    if (flags & QNS_BROADCAST) {
      local.GetSocketAddress().sin_addr.s_addr = htonl(INADDR_BROADCAST);
      to = local.GetSocketAddress();
    } else {
      to = destination ? destination->GetSocketAddress() : remote.GetSocketAddress();
    }
    sent = sendto(fd, data, static_cast<std::size_t>(length), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
  } else {
    sent = send(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
  }
  if (sent < 0) {
    kiln::net::ReportError("QNSocket:Write(); failed");
    if (destination) qnote("Addr %s", destination->ToString());
  }
  return static_cast<int>(sent);
}

int QNSocket::Read(void *buffer, int size, QNAddress *sender) {
  if (fd < 0) return -1;
  if (size > kReadLimit) size = kReadLimit;
  if (size < 0) size = 0;
  sockaddr_in from{};
  socklen_t fromSize = sizeof from;
  ssize_t got = recvfrom(fd, buffer, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
  if (got < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNREFUSED) ? 0 : -1;
  if (sender && fromSize >= sizeof from) sender->GetSocketAddress() = from;
  return static_cast<int>(got);
}

int QNSocket::ReadPacket(QNPacket *packet) {
  if (fd < 0) return -1;
  sockaddr_in from{};
  socklen_t fromSize = sizeof from;
  ssize_t got = recvfrom(fd, packet->data, sizeof packet->data, 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
  if (got < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNREFUSED) ? 0 : -1;
  if (got > 0) packet->length = static_cast<int>(got);
  packet->sender.GetSocketAddress() = from;
  return static_cast<int>(got);
}

int QNSocket::GetReadable() const {
  if (fd < 0) return -1;
  int waiting = 0;
  return ioctl(fd, FIONREAD, &waiting) == 0 ? waiting : -1;
}

int QNSocket::SetBroadcast(bool on) {
  if (fd < 0) return -1;
  flags = on ? (flags | QNS_BROADCAST) : (flags & ~QNS_BROADCAST);
  return SetOption(fd, SOL_SOCKET, SO_BROADCAST, on);
}

int QNSocket::SetReuseAddr(bool on) {
  if (fd < 0) return -1;
  return SetOption(fd, SOL_SOCKET, SO_REUSEADDR, on);
}

int QNSocket::SetNonBlocking(bool on) {
  if (fd < 0) return -1;
  int current = fcntl(fd, F_GETFL, 0);
  if (current < 0) return current;
  return fcntl(fd, F_SETFL, on ? (current | O_NONBLOCK) : (current & ~O_NONBLOCK));
}

int QNSocket::SetNoDelay(bool) {
  if (fd < 0) return -1;
  qerr("QNSocket:SetNoDelay(); nyi");
  return 0;
}

void QNSocket::GetLocalAddress(QNAddress *address) const {
  sockaddr_in own{};
  socklen_t size = sizeof own;
  if (fd >= 0 && getsockname(fd, reinterpret_cast<sockaddr *>(&own), &size) == 0) address->GetSocketAddress() = own;
  if (address->GetSocketAddress().sin_addr.s_addr == 0) {
    int port = address->GetPort();
    address->CopyFrom(*kiln::net::LocalHost());
    address->SetPort(port);
  }
}

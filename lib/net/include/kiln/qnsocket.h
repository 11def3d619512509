/// \file
/// IPv4 sockets: TCP clients and servers, and UDP with broadcast.
#pragma once

#include <netinet/in.h>

#include <kiln/qnaddress.h>

/// Socket flags; the caller sets those from QNS_REUSE_ADDR on before Open().
enum QNSocketFlags {
  QNS_BROADCAST = 0x01,   ///< may send to broadcast addresses
  QNS_REUSE_ADDR = 0x04,  ///< binds to an address in use
  QNS_NO_DELAY = 0x08,    ///< TCP without Nagle's delay
  QNS_KEEP_ALIVE = 0x10,  ///< TCP keep-alive probes
  QNS_NO_BIND = 0x20      ///< for sending only
};
/// The kinds of socket.
enum QNSocketType { QNS_TCP = 0, QNS_UDP = 1 };

/// One received datagram.
struct QNPacket {
  static constexpr int kCapacity = 2000;  ///< the largest datagram kept
  char data[kCapacity];                   ///< its bytes
  int length = 0;                         ///< how many
  QNAddress sender;                       ///< where it came from
};

/// An IPv4 socket: a TCP connection or server, or a UDP socket.
class QNSocket {
public:
  /// Starts the network layer when that has not happened yet.
  QNSocket();
  ~QNSocket();
  QNSocket(const QNSocket &) = delete;
  QNSocket &operator=(const QNSocket &) = delete;

  /// A UDP socket towards `host` (bound to `port` on all addresses when there
  /// is no host), or a TCP connection to host and port.
  bool Open(int port, int type, int flags = 0, const char *host = nullptr);
  /// Closes the socket; the addresses are forgotten.
  void Close();
  /// True while the socket is open.
  bool IsOpen() const { return fd >= 0; }
  /// The system's descriptor (for poll()); -1 when closed.
  int GetDescriptor() const { return fd; }
  /// The QNSocketFlags.
  int GetFlags() const { return flags; }

  /// Binds the socket to the address; 0, or -1 when it can't.
  int Bind(const QNAddress &address);
  /// A TCP server on all local addresses.
  bool Listen(int port, int backlog = 5, bool quiet = false);
  /// The next connection, waiting at most `timeoutMicroseconds` when above 0;
  /// null when there is none. The caller owns the new socket.
  QNSocket *Accept(long timeoutMicroseconds = 0);

  /// Bytes sent; 0 for a negative length, negative on failure.
  int Write(const void *data, int length, const QNAddress *destination = nullptr);
  /// At most `size` and never more than 4096 bytes; 0 when nothing is
  /// waiting, -1 on errors.
  int Read(void *buffer, int size, QNAddress *sender = nullptr);
  /// One datagram with its sender; its length, 0 when nothing is waiting,
  /// -1 on errors.
  int ReadPacket(QNPacket *packet);
  /// The bytes waiting to be read; -1 when it can't be told.
  int GetReadable() const;

  ///@{
  /// Switches a socket option; 0, or -1 when it can't be set.
  int SetBroadcast(bool on);
  int SetReuseAddr(bool on);
  int SetNonBlocking(bool on);
  int SetNoDelay(bool on);
  ///@}
  /// The address the socket is bound to (the local IP for any address).
  void GetLocalAddress(QNAddress *address) const;

  /// The dotted address of the peer an accepted socket came from.
  const char *GetPeerText() const { return peerText; }
  /// The address it talks to.
  const QNAddress &GetRemote() const { return remote; }

private:
  int fd = -1;  ///< 0 is standard input, a valid descriptor
  int flags = 0;
  int type = QNS_TCP;
  QNAddress local;
  QNAddress remote;
  char peerText[16] = {};
  sockaddr_in listenAddress{};
};

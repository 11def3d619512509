// The remote diagnostic output, joined to the diagnostic outputs through
// their remote hook when this object is part of a program.
#include <kiln/qremote.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qexit.h>
#include <kiln/qinfo.h>
#include <kiln/qnet.h>
#include <kiln/qnsocket.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "remote_internal.h"

namespace {

enum class State { kUntried, kNone, kOpen };

State state = State::kUntried;
bool sending = false;
std::unique_ptr<QNSocket> remoteSocket;
QNAddress *remoteAddress = nullptr;
std::string optionFile = "/tmp/kilnopt.txt";
std::string hostOverride;

// Set up while no message can reach the half-made socket.
class SendingPaused {
public:
  SendingPaused() : was(sending) { sending = true; }
  ~SendingPaused() { sending = was; }

private:
  bool was;
};

// A file anyone could have put in /tmp is not trusted: only a regular file
// of this user or root that no one else may write.
bool Trustworthy(FILE *file) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if (status.st_uid != getuid() && status.st_uid != 0) return false;
  return (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

void OpenRemote(const std::string &host, int port) {
  remoteSocket = std::make_unique<QNSocket>();
  if (!remoteAddress) remoteAddress = new QNAddress;
  if (!remoteSocket->Open(port, QNS_UDP, 0, host.c_str())) return;
  remoteSocket->SetNonBlocking(true);
  remoteAddress->Set(AF_INET, 0, port);
  remoteAddress->GetByName(host.c_str());
}

}  // namespace

namespace kiln::net {

void SetOptionFile(const char *path) {
  // The next remote send reads the new file, whatever the state before.
  optionFile = path;
  state = State::kUntried;
  remoteSocket.reset();
}
void SetRemoteHostOverride(const char *host) { hostOverride = host ? host : ""; }

}  // namespace kiln::net

void qdbg_read_options() {
  SendingPaused paused;
  state = State::kNone;
  remoteSocket.reset();
  // O_NOFOLLOW: a link is never followed, whatever it points at.
  FILE *file = nullptr;
  struct stat status;
  if (lstat(optionFile.c_str(), &status) == 0 && S_ISREG(status.st_mode)) file = std::fopen(optionFile.c_str(), "r");
  if (!file) return;
  std::string host;
  int port = 0;
  if (Trustworthy(file)) {
    char key[256], value[256];
    // Words longer than 255 characters are read in pieces.
    while (std::fscanf(file, "%255s %255s", key, value) == 2) {
      if (std::strcmp(key, "remotehost") == 0) host = value;
      if (std::strcmp(key, "port") == 0) port = Eval(value);
    }
  }
  std::fclose(file);
  if (host.empty()) return;
  if (!hostOverride.empty()) host = hostOverride;
  OpenRemote(host, port);
  if (!remoteSocket->IsOpen()) {
    remoteSocket.reset();
    return;
  }
  state = State::kOpen;
}

void qdbg_udp_send(const char *text) {
  if (sending) return;
  if (state == State::kUntried) qdbg_read_options();
  if (state != State::kOpen || !remoteSocket || !qnIsInitialised()) return;
  sending = true;
  remoteSocket->Write(text, static_cast<int>(std::strlen(text)), remoteAddress);
  sending = false;
}

void qdbg_setup(const QInfo &info) {
  char value[1024];
  info.GetString("dev.udp_out", value, nullptr);
  if (!*value) return;
  const char *colon = std::strchr(value, ':');
  if (!colon) {
    qwarn("qdbg_setup: need host:port in dev_udpout (now '%s')", value);
    return;
  }
  std::string host(value, static_cast<std::size_t>(colon - value));
  int port = std::atoi(colon + 1);
  qnote("qdbg_setup: UDP output to %s:%d", host.c_str(), port);
  {
    SendingPaused paused;
    // A socket that was open is closed before the new one takes its place.
    remoteSocket.reset();
    OpenRemote(host, port);
    state = State::kOpen;
  }
  if (!remoteSocket->IsOpen()) qwarn("qdbg_setup: can't open %s:%d", host.c_str(), port);
}

void qdbg_udp_close() {
  if (state != State::kOpen) return;
  remoteSocket.reset();
  state = State::kUntried;
}

// Joins the diagnostic outputs when this object is linked; the layer's link
// flags (CMake target and pkg-config file) keep it in every program.
extern "C" void kiln_net_remote_output() {}

namespace {

struct Registrar {
  Registrar() {
    qdbg_set_remote_hook(qdbg_udp_send);
    qexit_add_hook(qdbg_udp_close);
  }
} registrar;

}  // namespace

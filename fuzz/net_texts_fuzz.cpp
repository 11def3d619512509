// Texts the network layer reads: the remote output's option file, host
// entries of configuration trees and hardware-address texts. The first byte
// chooses which.
#include <kiln/qinfo.h>
#include <kiln/qnet.h>
#include <kiln/qremote.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "remote_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (size < 1) return 0;
  std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  switch (data[0] % 3) {
    case 0: {
      // Any host in an option file is replaced by loopback: nothing leaves.
      if (FILE *file = std::fopen("kilnopt.txt", "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
      }
      chmod("kilnopt.txt", 0644);
      kiln::net::SetOptionFile("kilnopt.txt");
      kiln::net::SetRemoteHostOverride("127.0.0.1");
      qdbg_udp_close();
      qdbg_read_options();
      qdbg_udp_send("x");
      qdbg_udp_close();
      break;
    }
    case 1: {
      if (FILE *file = std::fopen("hosts.cfg", "wb")) {
        std::fprintf(file, "host=");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fputc('\n', file);
        std::fclose(file);
      }
      QInfo info("hosts.cfg", QINFO_QUIET);
      char host[1024];
      info.GetHost("host", host);
      break;
    }
    default: {
      QNHardwareAddress address;
      qnTextToHardwareAddress(text.c_str(), &address);
      qnTextToHardwareAddressStrict(text.c_str(), &address);
      qnHardwareAddressToText(address);
      break;
    }
  }
  return 0;
}

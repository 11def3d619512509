// Host entries of configuration trees.
#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qnaddress.h>
#include <kiln/qnet.h>
#include <kiln/qstring.h>

#include <cstdlib>
#include <cstring>

#include "net_internal.h"

bool QInfo::GetHost(const char *path, char *destination, const char *def) const {
  char value[1024];
  if (!GetString(path, value, def)) {
    destination[0] = '\0';
    return false;
  }
  qnInit();
  const std::size_t length = std::strlen(value);
  if (value[0] == '+' || value[0] == '/') {
    QNAddress address;
    address.CopyFrom(*kiln::net::LocalHost());
    if (value[0] == '+') {
      address.Renumber(10, std::atoi(value + 1), 3);
      // "+N+M": the third byte too; only a one-digit N leaves room for it.
      if (length >= 3 && value[2] == '+') address.Renumber(10, std::atoi(value + 3), 2);
    } else {
      const char *plus = std::strchr(value, '+');
      if (!plus) {
        qwarn("QInfo:GetHost(); bad format of host IP (%s) for key '%s'", value, path);
        std::strcpy(destination, "127.0.0.1");
        return false;
      }
      address.Renumber(std::atoi(value + 1), std::atoi(plus + 1), 3);
    }
    std::strcpy(destination, address.ToString());
    return true;
  }
  std::memcpy(destination, value, length + 1);
  return true;
}

bool QInfo::GetHost(const char *path, qstring &out, const char *def) const {
  char value[1024];
  bool found = GetHost(path, value, def);
  out = value;
  return found;
}

const char *QInfo::GetHost(const char *path) const {
  char value[1024];
  GetHost(path, value, nullptr);
  std::memcpy(SharedValue(), value, sizeof value);
  return SharedValue();
}

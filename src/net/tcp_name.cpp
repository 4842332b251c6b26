// Parsing of TCP channel names (see tcp_channel.h).
#include <arpa/inet.h>

#include <cctype>
#include <climits>

#include "net/tcp_channel.h"

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(uint8_t(c)));
  return s;
}

bool all_digits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool Tcp_parse_name(const std::string& text, Tcp_name* out, std::string* why) {
  *out = Tcp_name{};
  if (text.find('\0') != std::string::npos) {
    *why = "A TCP channel name holds a NUL byte";
    return false;
  }
  size_t semi = text.find(';');
  if (semi == std::string::npos) {
    *why = "A TCP channel name needs host;port";
    return false;
  }
  out->host = trim(text.substr(0, semi));
  if (out->host.size() > size_t(TCP_PEER_MAX)) {
    *why = "Host name too long";
    return false;
  }
  std::string rest = text.substr(semi + 1);
  size_t next = rest.find(';');
  std::string port = trim(rest.substr(0, next));
  if (!port.empty()) {
    if (!all_digits(port) || port.size() > 5 || std::stoul(port) > 65535) {
      *why = "Bad port number '" + port.substr(0, 40) + "'";
      return false;
    }
    out->port = uint16_t(std::stoul(port));
  }
  bool server = out->host.empty();
  while (next != std::string::npos) {
    rest = rest.substr(next + 1);
    next = rest.find(';');
    std::string opt = trim(rest.substr(0, next));
    std::string u = upper(opt);
    if (u == "SINGLE" || u == "ONESHOT") {
      if (!server) {
        *why = u + " is an option of server channels";
        return false;
      }
      (u == "SINGLE" ? out->single : out->oneshot) = true;
    } else if (u == "NODELAY") {
      out->nodelay = true;
    } else if (u == "KEEPALIVE") {
      out->keepalive = true;
    } else if (u == "REUSE") {
      out->reuse = true;
    } else if (u == "NOVERIFY") {
      out->no_verify = true;
    } else if (u == "SECURE") {
      out->secure = true;
    } else if (u.rfind("SECURE=", 0) == 0) {
      out->secure = true;
      out->cert_file = trim(opt.substr(7));
      if (out->cert_file.size() > 4096) {
        *why = "Certificate file name too long";
        return false;
      }
    } else if (u.rfind("SOCKET=", 0) == 0) {
      std::string n = trim(opt.substr(7));
      if (!all_digits(n) || n.size() > 9) {
        *why = "Bad SOCKET= descriptor";
        return false;
      }
      out->socket_fd = std::stoi(n);
    } else if (u.rfind("BINDTO=", 0) == 0) {
      out->bind_to = trim(opt.substr(7));
      in_addr a{};
      if (inet_pton(AF_INET, out->bind_to.c_str(), &a) != 1) {
        *why = "BINDTO= needs a dotted address";
        return false;
      }
    }
  }
  if (!server && out->port == 0 && out->socket_fd < 0) {
    *why = "A client channel needs a port";
    return false;
  }
  return true;
}

// A one-shot HTTP listener on the loopback address, for the tests of what
// the program sends.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <string>

class Listener {
 public:
  Listener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // any free port
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(socket_, 1);
    int length = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    closesocket(socket_);
    WSACleanup();
  }
  int port() const { return port_; }

  // Accepts one connection within the time given, reads the request head and
  // the body its Content-Length announces, and answers 200 with an empty body.
  std::string AcceptOneRequest(int timeout_ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait = {timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return std::string();
    SOCKET client = accept(socket_, nullptr, nullptr);
    // A client that stops sending ends the read instead of hanging the test.
    const DWORD read_timeout = static_cast<DWORD>(timeout_ms);
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&read_timeout), sizeof read_timeout);
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    const size_t body_start = request.find("\r\n\r\n") + 4;
    const size_t announced = request.find("Content-Length: ");
    const size_t length = announced < body_start ? std::strtoul(request.c_str() + announced + 16, nullptr, 10) : 0;
    while (request.size() < body_start + length) {
      const int n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    send(client, answer, sizeof answer - 1, 0);
    closesocket(client);
    return request;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "core/system_library_win.h"
#include "net/http_get.h"

namespace {

constexpr int kTimeoutMs = 5000;

// WinHTTP is not a known system DLL: it is loaded from the system folder only.
struct WinHttp {
  SystemLibrary library{L"winhttp.dll"};
  decltype(&WinHttpOpen) open = library.Get<decltype(&WinHttpOpen)>("WinHttpOpen");
  decltype(&WinHttpCrackUrl) crack = library.Get<decltype(&WinHttpCrackUrl)>("WinHttpCrackUrl");
  decltype(&WinHttpConnect) connect = library.Get<decltype(&WinHttpConnect)>("WinHttpConnect");
  decltype(&WinHttpOpenRequest) open_request = library.Get<decltype(&WinHttpOpenRequest)>("WinHttpOpenRequest");
  decltype(&WinHttpSetTimeouts) set_timeouts = library.Get<decltype(&WinHttpSetTimeouts)>("WinHttpSetTimeouts");
  decltype(&WinHttpSendRequest) send = library.Get<decltype(&WinHttpSendRequest)>("WinHttpSendRequest");
  decltype(&WinHttpReceiveResponse) receive =
      library.Get<decltype(&WinHttpReceiveResponse)>("WinHttpReceiveResponse");
  decltype(&WinHttpReadData) read = library.Get<decltype(&WinHttpReadData)>("WinHttpReadData");
  decltype(&WinHttpCloseHandle) close = library.Get<decltype(&WinHttpCloseHandle)>("WinHttpCloseHandle");

  bool complete() const {
    return open && crack && connect && open_request && set_timeouts && send && receive && read && close;
  }
};

// Owns one WinHTTP handle.
class HttpHandle {
 public:
  HttpHandle(const WinHttp& api, HINTERNET handle) : api_(api), handle_(handle) {}
  ~HttpHandle() {
    if (handle_) api_.close(handle_);
  }
  HttpHandle(const HttpHandle&) = delete;
  HttpHandle& operator=(const HttpHandle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  const WinHttp& api_;
  HINTERNET handle_;
};

void DiscardBody(const WinHttp& api, HINTERNET request) {
  char buffer[4096];
  DWORD read = 0;
  while (api.read(request, buffer, sizeof buffer, &read) && read > 0) {
  }
}

struct Payload {
  const wchar_t* verb;
  std::wstring headers;  // each ending CR LF
  const void* body;
  DWORD length;
};

bool Request(const String& address, const Payload& payload) {
  static const WinHttp api;
  if (!api.complete() || address.empty()) return false;
  const wchar_t* url = reinterpret_cast<const wchar_t*>(address.w_str());

  // Lengths of -1 ask for pointers into the address; the path is sent with its query.
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!api.crack(url, 0, 0, &parts) || !parts.lpszHostName) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.lpszUrlPath ? parts.dwUrlPathLength : 0);
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  HttpHandle session(api, api.open(L"Bastionix Setup", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.get()) return false;
  api.set_timeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  HttpHandle connection(api, api.connect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection.get()) return false;
  const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  HttpHandle request(api, api.open_request(connection.get(), payload.verb, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, secure));
  if (!request.get()) return false;
  const wchar_t* headers = payload.headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : payload.headers.c_str();
  // The system adds Content-Length from the total length.
  if (!api.send(request.get(), headers, static_cast<DWORD>(payload.headers.size()), const_cast<void*>(payload.body),
                payload.length, payload.length, 0)) {
    return false;
  }
  if (!api.receive(request.get(), nullptr)) return false;
  DiscardBody(api, request.get());
  return true;
}

}  // namespace

bool HttpGetAndDiscard(const String& address) { return Request(address, Payload{L"GET", {}, nullptr, 0}); }

bool HttpPostAndDiscard(const String& address, const char* content_type, const String& body) {
  std::wstring headers = L"Content-Type: ";
  for (const char* c = content_type; *c; ++c) headers += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  headers += L"\r\n";
  return Request(address, Payload{L"POST", headers, body.c_str(), static_cast<DWORD>(body.length())});
}

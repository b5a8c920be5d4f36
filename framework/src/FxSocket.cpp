// Blocking stream sockets over Winsock 2.
#include "Framework.h"
#include <ws2tcpip.h>
#include <mutex>

IMPLEMENT_DYNAMIC(CAsyncSocket, CObject)
IMPLEMENT_DYNAMIC(CSocket, CAsyncSocket)

BOOL AfxSocketInit(WSADATA* data) {
  static std::once_flag once;
  static int result = -1;
  static WSADATA info;
  std::call_once(once, [] { result = WSAStartup(MAKEWORD(2, 2), &info); });
  if (data) *data = info;
  return result == 0;
}

BOOL AfxResolveSocketAddress(LPCTSTR address, IN_ADDR* out) {
  if (!address || !*address) {
    out->s_addr = htonl(INADDR_ANY);
    return TRUE;
  }
  CStringA host(address);
  if (InetPtonA(AF_INET, host, out) == 1) return TRUE;
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return FALSE;
  *out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return TRUE;
}

namespace {
BOOL ToText(const sockaddr_in& a, CString& address, UINT& port) {
  char text[INET_ADDRSTRLEN] = {};
  if (!InetNtopA(AF_INET, (void*)&a.sin_addr, text, sizeof text)) return FALSE;
  address = CString(text);
  port = ntohs(a.sin_port);
  return TRUE;
}
}  // namespace

CAsyncSocket::~CAsyncSocket() { Close(); }

BOOL CAsyncSocket::Create(UINT port, int type, long events, LPCTSTR address) {
  (void)events;
  if (m_hSocket != INVALID_SOCKET) {
    WSASetLastError(WSAEISCONN);
    return FALSE;
  }
  m_hSocket = socket(AF_INET, type, 0);
  if (m_hSocket == INVALID_SOCKET) return FALSE;
  if (Bind(port, address)) return TRUE;
  int error = WSAGetLastError();
  Close();
  WSASetLastError(error);
  return FALSE;
}

BOOL CAsyncSocket::Bind(UINT port, LPCTSTR address) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons((u_short)port);
  if (!AfxResolveSocketAddress(address, &a.sin_addr)) {
    WSASetLastError(WSAEINVAL);
    return FALSE;
  }
  return bind(m_hSocket, (sockaddr*)&a, sizeof a) == 0;
}

BOOL CAsyncSocket::Listen(int backlog) { return listen(m_hSocket, backlog) == 0; }

BOOL CAsyncSocket::Accept(CAsyncSocket& connected, SOCKADDR* address, int* addressLength) {
  if (connected.m_hSocket != INVALID_SOCKET) {
    WSASetLastError(WSAEISCONN);
    return FALSE;
  }
  SOCKET s = accept(m_hSocket, address, addressLength);
  if (s == INVALID_SOCKET) return FALSE;
  connected.m_hSocket = s;
  return TRUE;
}

BOOL CAsyncSocket::Connect(LPCTSTR host, UINT port) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons((u_short)port);
  if (!host || !*host || !AfxResolveSocketAddress(host, &a.sin_addr)) {
    WSASetLastError(WSAEINVAL);
    return FALSE;
  }
  return connect(m_hSocket, (sockaddr*)&a, sizeof a) == 0;
}

int CAsyncSocket::Receive(void* buffer, int length, int flags) {
  return recv(m_hSocket, (char*)buffer, length, flags);
}

int CAsyncSocket::Send(const void* buffer, int length, int flags) {
  return send(m_hSocket, (const char*)buffer, length, flags);
}

BOOL CAsyncSocket::ShutDown(int how) { return shutdown(m_hSocket, how) == 0; }

void CAsyncSocket::Close() {
  if (m_hSocket == INVALID_SOCKET) return;
  closesocket(m_hSocket);
  m_hSocket = INVALID_SOCKET;
}

BOOL CAsyncSocket::GetSockName(SOCKADDR* address, int* length) {
  return getsockname(m_hSocket, address, length) == 0;
}

BOOL CAsyncSocket::GetSockName(CString& address, UINT& port) {
  sockaddr_in a = {};
  int n = sizeof a;
  return getsockname(m_hSocket, (sockaddr*)&a, &n) == 0 && ToText(a, address, port);
}

BOOL CAsyncSocket::GetPeerName(CString& address, UINT& port) {
  sockaddr_in a = {};
  int n = sizeof a;
  return getpeername(m_hSocket, (sockaddr*)&a, &n) == 0 && ToText(a, address, port);
}

BOOL CAsyncSocket::Attach(SOCKET s) {
  if (m_hSocket != INVALID_SOCKET || s == INVALID_SOCKET) return FALSE;
  m_hSocket = s;
  return TRUE;
}

SOCKET CAsyncSocket::Detach() {
  SOCKET s = m_hSocket;
  m_hSocket = INVALID_SOCKET;
  return s;
}

int CSocket::Send(const void* buffer, int length, int flags) {
  const char* p = (const char*)buffer;
  int left = length;
  while (left > 0) {
    int n = send(m_hSocket, p, left, flags);
    if (n == SOCKET_ERROR) return SOCKET_ERROR;
    p += n;
    left -= n;
  }
  return length;
}

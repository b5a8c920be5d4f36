// Stream sockets over Winsock. Every socket here blocks: Accept waits for a client and Receive
// for data. The notification mask of Create is accepted for the callers' sake and not acted on
// (nothing is delivered to OnAccept/OnReceive); servers run their accept loop on a thread of
// their own.
#pragma once
#include "FxString.h"

// Starts Winsock once for the process; TRUE when it is usable. Later calls only report.
BOOL AfxSocketInit(WSADATA* data = nullptr);

class CAsyncSocket : public CObject {
  DECLARE_DYNAMIC(CAsyncSocket)
 public:
  CAsyncSocket() {}
  ~CAsyncSocket() override;  // closes the socket

  // Makes the socket and binds it to the port (0: the system picks one) on the given address
  // (a dotted IPv4 address or a host name; null: every local address).
  BOOL Create(UINT port = 0, int type = SOCK_STREAM,
              long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE,
              LPCTSTR address = nullptr);
  BOOL Bind(UINT port, LPCTSTR address = nullptr);
  BOOL Listen(int backlog = 5);
  // Waits for a client and attaches its connection to `connected` (which must not hold a socket).
  virtual BOOL Accept(CAsyncSocket& connected, SOCKADDR* address = nullptr, int* addressLength = nullptr);
  BOOL Connect(LPCTSTR host, UINT port);
  // Bytes received (0: the peer closed) or SOCKET_ERROR.
  virtual int Receive(void* buffer, int length, int flags = 0);
  // Bytes sent by one call, or SOCKET_ERROR.
  virtual int Send(const void* buffer, int length, int flags = 0);
  BOOL ShutDown(int how = 1 /* sends */);
  virtual void Close();

  BOOL GetSockName(CString& address, UINT& port);
  BOOL GetSockName(SOCKADDR* address, int* length);
  BOOL GetPeerName(CString& address, UINT& port);

  BOOL Attach(SOCKET s);
  SOCKET Detach();
  operator SOCKET() const { return m_hSocket; }
  static int GetLastError() { return WSAGetLastError(); }

  // Notification hooks; never called by this blocking implementation.
  virtual void OnAccept(int) {}
  virtual void OnReceive(int) {}
  virtual void OnSend(int) {}
  virtual void OnClose(int) {}
  virtual void OnConnect(int) {}

  SOCKET m_hSocket = INVALID_SOCKET;

 private:
  CAsyncSocket(const CAsyncSocket&) = delete;
  CAsyncSocket& operator=(const CAsyncSocket&) = delete;
};

// The blocking socket: Send returns only when every byte is sent (or the connection failed).
class CSocket : public CAsyncSocket {
  DECLARE_DYNAMIC(CSocket)
 public:
  CSocket() {}
  int Send(const void* buffer, int length, int flags = 0) override;
};

// Resolves "a.b.c.d" or a host name to an IPv4 address in network order; FALSE if unknown.
BOOL AfxResolveSocketAddress(LPCTSTR address, IN_ADDR* out);

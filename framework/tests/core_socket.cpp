// Blocking sockets over loopback: an echo server on a system-chosen port.
#include "Framework.h"
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

// Accepts `clients` connections one after another and echoes each until its peer stops sending.
void EchoServer(CSocket* listener, int clients) {
  for (int i = 0; i < clients; ++i) {
    CSocket conn;
    if (!listener->Accept(conn)) return;
    char buf[4096];
    int n;
    while ((n = conn.Receive(buf, sizeof buf)) > 0)
      if (conn.Send(buf, n) != n) break;
  }
}

std::string Payload(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = (char)('a' + (i * 7 + i / 251) % 26);
  return s;
}

TEST(CoreSocket, EchoOverLoopbackOnASystemChosenPort) {
  ASSERT_TRUE(AfxSocketInit());
  ASSERT_TRUE(AfxSocketInit());  // a second call only reports
  CSocket listener;
  ASSERT_TRUE(listener.Create(0, SOCK_STREAM, FD_ACCEPT, L"127.0.0.1"));
  CString address;
  UINT port = 0;
  ASSERT_TRUE(listener.GetSockName(address, port));
  EXPECT_STREQ(L"127.0.0.1", address);
  EXPECT_NE(0u, port);
  ASSERT_TRUE(listener.Listen());

  // sizes below, at and far above one receive buffer; the large one needs Send to loop
  const size_t sizes[] = {1, 4096, 3 * 1024 * 1024 + 17};
  std::thread server(EchoServer, &listener, (int)_countof(sizes));
  for (size_t size : sizes) {
    std::string sent = Payload(size);
    CSocket client;
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(L"localhost", port)) << CAsyncSocket::GetLastError();
    CString peer;
    UINT peerPort = 0;
    ASSERT_TRUE(client.GetPeerName(peer, peerPort));
    EXPECT_EQ(port, peerPort);
    // the echo comes back while we send, so send from a second thread
    std::thread writer([&] {
      EXPECT_EQ((int)sent.size(), client.Send(sent.data(), (int)sent.size()));
      client.ShutDown();
    });
    std::string got;
    char buf[65536];
    int n;
    while ((n = client.Receive(buf, sizeof buf)) > 0) got.append(buf, n);
    writer.join();
    EXPECT_EQ(0, n) << "the server closes after the echo";
    EXPECT_EQ(sent.size(), got.size());
    EXPECT_TRUE(sent == got) << "size " << size;
  }
  server.join();
}

TEST(CoreSocket, FailuresAreReportedNotHidden) {
  ASSERT_TRUE(AfxSocketInit());
  CSocket first;
  ASSERT_TRUE(first.Create(0, SOCK_STREAM, FD_ACCEPT, L"127.0.0.1"));
  CString address;
  UINT port = 0;
  ASSERT_TRUE(first.GetSockName(address, port));
  ASSERT_TRUE(first.Listen());

  CSocket second;  // the port is taken
  EXPECT_FALSE(second.Create(port, SOCK_STREAM, FD_ACCEPT, L"127.0.0.1"));
  EXPECT_EQ(WSAEADDRINUSE, CAsyncSocket::GetLastError());
  EXPECT_EQ(INVALID_SOCKET, second.m_hSocket);
  EXPECT_TRUE(second.Create());  // a failed Create leaves the object reusable
  EXPECT_FALSE(second.Create());  // but not twice

  CSocket bad;
  EXPECT_FALSE(bad.Create(0, SOCK_STREAM, 0, L"no.such.host.invalid"));

  // nobody listens on a port that was just released
  UINT freePort = 0;
  {
    CSocket probe;
    ASSERT_TRUE(probe.Create(0, SOCK_STREAM, 0, L"127.0.0.1"));
    probe.GetSockName(address, freePort);
  }
  CSocket client;
  ASSERT_TRUE(client.Create());
  EXPECT_FALSE(client.Connect(L"127.0.0.1", freePort));
  EXPECT_EQ(WSAECONNREFUSED, CAsyncSocket::GetLastError());

  // Accept refuses a target that already holds a socket, without waiting for a client
  CSocket busy;
  ASSERT_TRUE(busy.Create());
  EXPECT_FALSE(first.Accept(busy));
  // and a closed listener makes Accept fail instead of blocking
  first.Close();
  CSocket none;
  EXPECT_FALSE(first.Accept(none));
  EXPECT_EQ(INVALID_SOCKET, none.m_hSocket);
}

}  // namespace

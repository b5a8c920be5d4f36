// The local HTTP server: one thread that answers the HTML engine's requests for attachments
// ("/attach/<id>") and note pages ("/note/<id>") on 127.0.0.1, at a port the system picks.
// DB::CPeloraDatabase::StartNetService / StopNetService (defined in LocalHttpServer.cpp) own it;
// the port is published through Utils::BinRes::SetServerPort.
#pragma once
#include "Framework.h"
#include <string>

namespace DB {
class CPeloraDatabase;
}

namespace LocalHttp {

// Milliseconds a connection may take to send its request or accept the reply before the
// server gives up on it (so a silent client cannot hold the server or its shutdown).
const int kClientTimeoutMs = 5000;

// The built-in item served for a name when no attachment supplies the content: the resource id
// in "DBITEMS", or 0.
UINT FindBuiltInItem(const wchar_t* name);

} // namespace LocalHttp

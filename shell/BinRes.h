// Copies resources of the program's module into memory or into files.
#pragma once
#include "Framework.h"

namespace Utils {
namespace BinRes {

// A new[] block of the resource's bytes followed by 8 zero bytes (so a text resource reads as
// a zero-terminated narrow or wide text); `size` excludes the zeros. A missing resource gives
// an empty block. Returns 1.
int ExtractBinResource(LPCWSTR type, UINT id, BYTE*& data, DWORD& size);

// Writes the resource into `path` (created or truncated), with every "{{SRVPORT}}" replaced by
// the local HTTP server's port in decimal. A missing resource gives an empty file. Returns 1,
// or 0 when the file cannot be written.
int ExtractBinResource(LPCWSTR type, UINT id, LPCWSTR path);

// The local HTTP server tells its port here once it listens.
void SetServerPort(int port);
int GetServerPort();

} // namespace BinRes
} // namespace Utils

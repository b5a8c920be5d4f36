#include "ObjectId.h"
#include <atomic>
#include <cstdio>
#include <ctime>

namespace {
// Ids are made on the UI thread and both sync threads at once.
std::atomic<int> s_keyCounter{0};

int NextCounter()
{
    int c = s_keyCounter.load();
    for (;;) {
        int value = c >= 0xFFFF ? 0 : c;
        if (s_keyCounter.compare_exchange_weak(c, value + 1))
            return value;
    }
}
} // namespace

void PeloraGenerateKeyString(CString& out)
{
    int counter = NextCounter();
    char tail[40];
    int len = snprintf(tail, sizeof tail, "%lldx%04X", (long long)time(nullptr), (unsigned)counter);
    static const char pad[] = "objectidobjectid";
    wchar_t id[64];
    int keep = len < 16 ? 16 - len : 0;
    int n = 0;
    for (int i = 0; i < keep; ++i)
        id[n++] = (wchar_t)pad[i];
    for (int i = 0; i < len; ++i)
        id[n++] = (wchar_t)tail[i];
    id[n] = 0;
    out = id;
}

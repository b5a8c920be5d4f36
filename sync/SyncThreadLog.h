// The sync threads' lines in the activity log (sync level, flushed at once).
#pragma once
#include "ActivityLog.h"

namespace Sync {

inline void Log(const char* text, const wchar_t* value = nullptr)
{
    CLogStream log(LOG_LEVEL_SYNC);
    log << text;
    if (value)
        log << value;
    log.End();
}

inline void LogNum(const char* text, long long value)
{
    CLogStream log(LOG_LEVEL_SYNC);
    log << text << value;
    log.End();
}

}  // namespace Sync

// Helpers of the HTML tests.
#pragma once
#include "Framework.h"
#include <string>

// Wide text as a narrow string (non-ASCII as '?'), so expectations read plainly and failures print.
inline std::string Narrow(const CString& s)
{
    std::string r;
    for (int i = 0; i < s.GetLength(); ++i)
        r += s[i] < 128 ? char(s[i]) : '?';
    return r;
}

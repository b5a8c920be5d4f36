// New object ids: 16 characters shared with the note service as "global_id".
#pragma once
#include "Framework.h"

// "o" + ten digits of seconds since 1970 + "x" + the process-wide counter in four hex digits
// (the prefix "objectidobjectid" pads the text to 16). The counter runs 0 to 0xFFFE and wraps.
void PeloraGenerateKeyString(CString& out);

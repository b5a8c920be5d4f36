// Starts the downloaded setup program after the program has shut down, so that an update can
// replace the running files. Only a complete download is ever started: the path the sync side
// reported for a finished transfer, still the one it reports at exit, and a non-empty file.
#pragma once
#include "Framework.h"

namespace PeloraShell {

class CSetupLauncher {
public:
    virtual ~CSetupLauncher() {}

    // Why Run would refuse (empty: it would start the setup).
    CString Refusal() const;
    // Starts the setup when the run flag is set and nothing is refused; true when it started.
    bool Run();

    int m_run = 0;         // the user agreed to upgrade now
    CString m_path;        // the installer the sync side downloaded
    // What the sync side reports as its finished download at the time of Run (tests set it).
    CString (*m_currentDownload)() = nullptr;
};

} // namespace PeloraShell

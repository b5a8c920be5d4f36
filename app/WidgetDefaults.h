// The widget library's class-wide defaults, given before the program makes any window: every
// skinned button made afterwards copies them.
#pragma once

namespace PeloraShell {

// Button state images 256, the button font (Helvetica, 12 pixels, weight 500, Cyrillic
// character set, ClearType) and the button skin 201/257 (73 x 21, 2-pixel margins).
void SetWidgetDefaults();

} // namespace PeloraShell

// The splash screen.
//
// Contract: hideSplash() takes a shown splash window down and may be called
// from any thread at any time; with no splash shown it does nothing. No
// splash window exists yet in this launcher, so it is always that case.
#pragma once

namespace lumen {
void hideSplash();
} // namespace lumen

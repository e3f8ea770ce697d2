// For the start-up benchmark: when ZENDREL_FIRST_PAINT names a file, the moment the chooser
// has first been painted is written there (nanoseconds since 1970, as text) and the chooser
// is cancelled, so that a script can time start-up to first paint from outside.
#pragma once

namespace zendrel::app {

void InstallFirstPaintProbe();

}  // namespace zendrel::app

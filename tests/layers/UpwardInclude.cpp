// The server link's layer may not see the screen's: built only by the test
// Layers.AnUpwardIncludeFailsToCompile, which passes when this file fails to compile for want of
// the header.
#include "ui/OutputBuffer.h"

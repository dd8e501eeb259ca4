// The same include from the screen's own layer compiles (built with everything): the failure
// of UpwardInclude.cpp is the layers' doing, not a header gone missing.
#include "ui/OutputBuffer.h"

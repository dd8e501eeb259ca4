// The fakes are header-only; this unit gives the support library its object file.
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeFileSystem.h"
#include "support/FakeModuleLoader.h"
#include "support/FakeNetwork.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"

#pragma once

// Everything a client needs around it, made of fakes: the console on a fake terminal and a
// manual-clock event loop, files in memory, a wall clock, a network and a module loader.
#include "app/ClientEnvironment.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeFileSystem.h"
#include "support/FakeModuleLoader.h"
#include "support/FakeNetwork.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "ui/TConsole.h"

namespace tolmix::test {

struct ClientFakes {
    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    FakeFileSystem Files;
    FakeWallClock Wall;
    FakeNetwork Net;
    FakeModuleLoader Modules;
    ClientEnvironment Env{Files, Wall, {}, Net, Modules, {}};
    TConsole Con{Term, Loop, Clip};
};

} // namespace tolmix::test

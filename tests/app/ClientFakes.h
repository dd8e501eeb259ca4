#pragma once

// Everything a client needs around it, made of fakes: the console on a fake terminal and a
// manual-clock event loop, files in memory, a wall clock, a network, a module loader and a
// desktop registry that knows the program's folder, so that the client connects at start.
#include "app/ClientEnvironment.h"
#include "support/FakeClipboard.h"
#include "support/FakeDesktopRegistry.h"
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
    // Started from this folder before; a test of the first start empties Registry.Consoles.
    FakeDesktopRegistry Registry{Files.Program};
    ClientEnvironment Env{Files, Wall, {}, Net, Modules, Registry, nullptr};
    TConsole Con{Term, Loop, Clip};

    // Whether the client holds a connection to the server: the last socket it made is open.
    bool ServerConnected() const { return !Net.Streams.empty() && !Net.Streams.back()->Closed; }
};

} // namespace tolmix::test

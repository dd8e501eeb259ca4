// A game server stand-in on 127.0.0.1 for trying the client by hand and for tests: it plays a
// script to every connection and records what the client sends.
//
//   testserver [--port N] [--script FILE] [--record FILE] [--once]
//
// --port 0 takes a free port; the first line on standard output says which. Without a script
// every connection gets a short greeting. --record appends each connection's bytes to FILE
// when it ends; --once stops after the first connection has ended. SIGINT or SIGTERM stop it.
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/ServerScript.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

volatile std::sig_atomic_t Stop = 0;

extern "C" void OnStopSignal(int) {
    Stop = 1;
}

// Windows-1251 with ANSI colours and a server code, like a small game would greet.
const char* const DefaultScript = R"(# greeting
line \e[1;33mTolmix test server\e[0m
line \xC4\xEE\xE1\xF0\xEE \xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC!
line \x80\x80h35/120
send Name: \xFF\xF9
expect \n
line \e[32mYou are in a small grey room.\e[m
send > \xFF\xF9
)";

int Usage() {
    std::fprintf(stderr, "usage: testserver [--port N] [--script FILE] [--record FILE] [--once]\n");
    return 2;
}

bool ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    long port = 4000;
    std::string scriptPath, recordPath;
    bool once = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--once") {
            once = true;
        } else if (i + 1 < argc && arg == "--port") {
            char* end = nullptr;
            port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 0 || port > 65535)
                return Usage();
        } else if (i + 1 < argc && arg == "--script") {
            scriptPath = argv[++i];
        } else if (i + 1 < argc && arg == "--record") {
            recordPath = argv[++i];
        } else {
            return Usage();
        }
    }

    std::string scriptText = DefaultScript;
    if (!scriptPath.empty() && !ReadWhole(scriptPath, scriptText)) {
        std::fprintf(stderr, "testserver: cannot read %s\n", scriptPath.c_str());
        return 1;
    }
    ServerScriptResult script = ParseServerScript(scriptText);
    if (!script.Error.empty()) {
        std::fprintf(stderr, "testserver: %s: %s\n",
                     scriptPath.empty() ? "built-in script" : scriptPath.c_str(),
                     script.Error.c_str());
        return 1;
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    try {
        LoopbackServer server(static_cast<std::uint16_t>(port));
        server.SetScript(script.Steps);
        std::printf("listening on %s:%u\n", LoopbackServer::Host().c_str(),
                    static_cast<unsigned>(server.Port()));
        std::fflush(stdout);

        std::vector<LoopbackServer::Peer> open;
        bool anyEnded = false;
        while (!Stop && !(once && anyEnded)) {
            // The wait is what paces the loop; it ends early when a client connects.
            if (auto peer = server.Accept(200ms))
                open.push_back(*peer);
            for (auto it = open.begin(); it != open.end();) {
                if (!it->PeerClosed()) {
                    ++it;
                    continue;
                }
                if (!recordPath.empty()) {
                    std::ofstream out(recordPath, std::ios::binary | std::ios::app);
                    out << it->Received();
                }
                anyEnded = true;
                it = open.erase(it);
            }
        }
        if (!recordPath.empty()) {
            std::ofstream out(recordPath, std::ios::binary | std::ios::app);
            for (const auto& peer : open)
                out << peer.Received();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "testserver: %s\n", error.what());
        return 1;
    }
    return 0;
}

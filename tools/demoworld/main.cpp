// tolmix-demo-world: the bundled demo game server, a small Russian village on 127.0.0.1 that
// speaks every server code the client knows.
#include "CommandLine.h"
#include "DemoServer.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace {

// The port goes to `path` through a temporary file and a rename, so a reader never sees half.
bool WritePortFile(const std::string& path, uint16_t port) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << port << '\n';
        if (!file.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error)
        std::filesystem::remove(temporary, error);
    return !error;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(tolmix::demo::Usage, stdout);
            return 0;
        }
    }
    std::string error;
    const auto options = tolmix::demo::CommandLine::Parse(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tolmix-demo-world: %s\n%s", error.c_str(), tolmix::demo::Usage);
        return 2;
    }
    try {
        tolmix::demo::DemoServer server(*options);
        // The file first: whoever reads the line may look for the file at once.
        if (!options->portFile.empty() && !WritePortFile(options->portFile, server.Port())) {
            std::fprintf(stderr, "tolmix-demo-world: cannot write %s\n", options->portFile.c_str());
            return 1;
        }
        std::printf("port %u\n", static_cast<unsigned>(server.Port()));
        std::fflush(stdout);
        server.Run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tolmix-demo-world: %s\n", failure.what());
        return 1;
    }
    return 0;
}

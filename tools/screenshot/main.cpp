// tolmix-screenshot: plays a short scripted session of the real client in the demo world,
// inside the end-to-end tests' terminal model, and draws the final screen into a PNG file.
//
//   tolmix-screenshot OUTPUT.png [--font FILE.psf.gz]
//
// It makes the README's picture (docs/demo-session.png) again whenever the screen changes.
#include "PngFile.h"
#include "PsfFont.h"
#include "ScreenImage.h"

#include "app/ConsolePalette.h"
#include "e2e/harness/DemoWorld.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tolmix::e2e::PtySession;

constexpr const char* DefaultFont = "/usr/share/consolefonts/Uni2-VGA16.psf.gz";
constexpr auto Patience = 5000ms;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Expect(PtySession& client, const char* utf8) {
    if (!client.WaitForText(utf8, Patience))
        throw Failure(std::string("the screen never showed \"") + utf8 + "\"\n" + client.Dump());
}

void Type(PtySession& client, const std::string& utf8) {
    client.Send(utf8 + tolmix::e2e::keys::Enter);
}

// The last rows of the output window hold `utf8`.
bool NearTheBottom(PtySession& client, const char* utf8) {
    const int separator = client.Rows() - 4;
    for (int y = separator - 1; y >= separator - 4; --y)
        if (client.RowTrimmed(y).find(utf8) != std::string::npos)
            return true;
    return false;
}

// A newcomer's first minutes: a character, the tavern, the flask and the torch on the panel,
// a throw of the dice against the dealer, and a rest counting down.
void Play(PtySession& client) {
    Expect(client, "Как зовут вашего персонажа?");
    Type(client, "Путник");
    Expect(client, "Новый пароль:");
    Type(client, "demo");
    Expect(client, "Повторите пароль:");
    Type(client, "demo");
    Expect(client, "Площадь Вереска");
    Expect(client, "Модуль клиента: Dice.");
    Type(client, "север");
    Expect(client, "Таверна");
    Type(client, "взять флягу");
    Expect(client, "Вы берёте флягу.");
    Type(client, "вниз");
    Expect(client, "Подвал таверны");
    Type(client, "взять факел");
    Expect(client, "Вы берёте факел.");
    Type(client, "вверх");
    Expect(client, "Люк в полу");
    Type(client, "кости");
    Expect(client, "Новая партия, счёт 0:0.");
    Type(client, "кинуть");
    if (!client.WaitFor([&] { return NearTheBottom(client, "Путник бросает кости:"); }, Patience))
        throw Failure("the dice were not thrown\n" + client.Dump());
    Type(client, "отдых");
    Expect(client, "Вы садитесь отдохнуть.");
    client.PumpFor(600ms); // the countdown runs
    client.Send("сказать Удачи всем!");
    client.PumpFor(200ms);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--font")) {
        std::fprintf(stderr, "usage: tolmix-screenshot OUTPUT.png [--font FILE.psf.gz]\n");
        return 2;
    }
    const std::string output = argv[1];
    const std::string fontPath = argc == 4 ? argv[3] : DefaultFont;
    std::string error;
    const auto font = tolmix::shot::PsfFont::Load(fontPath, error);
    if (!font) {
        std::fprintf(stderr, "tolmix-screenshot: %s: %s\n", fontPath.c_str(), error.c_str());
        return 1;
    }
    try {
        tolmix::e2e::DemoWorld world;
        tolmix::e2e::TempDir dir("tolmix-screenshot");
        // The client installed with the example plugin beside it, as a user would.
        fs::create_directories(dir.Path() / "bin" / "Plugins");
        fs::copy_file(TOLMIX_CLIENT_PATH, dir.Path() / "bin" / "tolmix-client");
        fs::copy_file(TOLMIX_EXAMPLE_PLUGIN, dir.Path() / "bin" / "Plugins" / "Dice.so");
        // Wide enough for the whole status panel with all five gauges.
        dir.WriteFile("play/demo.tcf", tolmix::e2e::DemoWorldSettings(world.Port()) +
                                           "MidiOutput=none\r\nSizeX=106\r\nSizeY=30\r\n");
        tolmix::e2e::SessionOptions options;
        options.program = (dir.Path() / "bin" / "tolmix-client").string();
        options.workingDirectory = (dir.Path() / "play").string();
        options.args = {"demo"};
        options.columns = 106;
        options.rows = 30;
        PtySession client(options);
        Play(client);

        tolmix::shot::Palette palette{};
        for (std::size_t i = 0; i < palette.size(); ++i)
            palette[i] = tolmix::ColorRefToRgb(tolmix::ConsolePalette[i]);
        const auto image = tolmix::shot::DrawScreen(client.Screen(), *font, palette);
        if (!tolmix::shot::WritePng(image, output)) {
            std::fprintf(stderr, "tolmix-screenshot: cannot write %s\n", output.c_str());
            return 1;
        }
        std::printf("%s: %dx%d\n", output.c_str(), image.width, image.height);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tolmix-screenshot: %s\n", failure.what());
        return 1;
    }
    return 0;
}

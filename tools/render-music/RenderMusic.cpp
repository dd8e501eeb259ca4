// Renders the server's sound commands to a WAV file through the same player and queue as the
// client, with the embedded synthesizer writing into the file instead of to an audio output,
// so that what the game's music sounds like can be checked on a machine without a sound card.
//
//   render-music OUT.wav [--soundfont FILE] ["C4 E4 G4 L30" ...]
//
// Each argument (or, without any, each line of standard input) is one sound command as the
// server sends it after its "p" code; a line that is just "P" stops the music as the server's
// "P" code does. The commands arrive one after another without a pause, as a burst of server
// lines would, and the file ends a second after the music does.
#include "music/SoundCommands.h"
#include "platform/SoftwareMidiDevices.h"
#include "platform/posix/FluidSynthSink.h"
#include "platform/posix/MidiSinks.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/LoopClock.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace tolmix;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    std::string out;
    std::string soundFont;
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--soundfont") == 0 && i + 1 < argc)
            soundFont = argv[++i];
        else if (out.empty())
            out = argv[i];
        else
            commands.emplace_back(argv[i]);
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: render-music OUT.wav [--soundfont FILE] [COMMAND ...]\n");
        return 64;
    }
    if (commands.empty())
        for (std::string line; std::getline(std::cin, line) && commands.size() < 100000;)
            commands.push_back(line.substr(0, line.find_last_not_of('\r') + 1));

    test::FakeTerminal term;
    test::FakeEventLoop loop;
    ConsoleScreen screen(term);
    InputLoop console(term, loop, screen);
    const test::LoopClock clock(loop);

    posix::FluidSynthSink::Options options;
    options.SoundFont = posix::FindSoundFont(soundFont);
    if (options.SoundFont.empty()) {
        std::fprintf(stderr, "render-music: no readable General MIDI soundfont%s%s\n",
                     soundFont.empty() ? "" : ": ", soundFont.c_str());
        return 1;
    }
    options.RenderFile = out;
    options.RenderFileType = "wav";
    options.RenderClock = &clock;
    std::string failure;
    auto sink = posix::FluidSynthSink::Open(options, &failure);
    if (!sink) {
        std::fprintf(stderr, "render-music: cannot render with %s\n", options.SoundFont.c_str());
        return 1;
    }
    bool endless = false;
    {
        SoftwareMidiDevices devices(sink.get(), clock, SoftwareMidiStream::Timing::Manual);
        MidiPlayerShared shared;
        NoLinePrinter unread;
        SoundCommands sound(console, devices, unread, shared);
        loop.OnWait = [&] { devices.Service(loop.Now()); };
        const auto idle = [&] { return !sound.Midi.IsPlaying() && sound.MusicQueue.empty(); };
        const auto run = [&](std::chrono::milliseconds limit) {
            const TimePoint end = loop.Clock + limit;
            for (int steps = 0; steps < 10000000 && !idle() && loop.Clock < end; ++steps) {
                devices.Service(loop.Now());
                console.ProcessPending();
                const auto next = devices.Service(loop.Now());
                loop.Clock = std::min(end, next ? std::max(*next, loop.Clock) : loop.Clock + 1ms);
            }
        };
        for (const std::string& command : commands) {
            if (command == "P")
                sound.StopMusic();
            else
                sound.PlaySoundCommand(command);
            console.ProcessPending();
        }
        // Music that repeats without end is cut after ten minutes.
        run(10min);
        endless = !idle();
        sound.StopMusic();
        run(5s);
    }
    loop.Clock += 1s;
    sink->FinishFile();
    std::printf("render-music: %.1f s of %s with %s%s\n",
                std::chrono::duration<double>(loop.Clock - TimePoint{}).count(), out.c_str(),
                options.SoundFont.c_str(), endless ? " (endless music cut at 10 minutes)" : "");
    return 0;
}

#pragma once

#include "platform/MidiSink.h"

#include <memory>
#include <string>

namespace tolmix::posix {

// A port of the ALSA sequencer: messages go to a synthesizer port (hardware, or a software
// synthesizer such as one started by the desktop) and to whoever subscribes to the port.
class AlsaSeqSink final : public MidiSink {
  public:
    struct Options {
        // "client:port" or a client name; empty: the first synthesizer port found.
        std::string Destination;
        // Without a destination, also open the port for subscribers alone.
        bool WithoutDestination = false;
    };

    // Null when the sequencer cannot be opened, or no destination is found and none is needed.
    static std::unique_ptr<AlsaSeqSink> Open(const Options& options);
    ~AlsaSeqSink() override;
    AlsaSeqSink(const AlsaSeqSink&) = delete;
    AlsaSeqSink& operator=(const AlsaSeqSink&) = delete;

    void Send(uint8_t status, uint8_t data1, uint8_t data2) override;

    // The destination's "client:port", or empty.
    std::string DestinationName() const { return Destination; }

  private:
    struct Handles;
    explicit AlsaSeqSink(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> Seq;
    std::string Destination;
};

} // namespace tolmix::posix

#include "platform/posix/AlsaSeqSink.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <string>

namespace tolmix::posix {

namespace {

// The library's messages would land on the client's screen.
void DiscardError(const char*, int, const char*, int, const char*, ...) {}

bool FindSynthesizer(snd_seq_t* seq, int self, snd_seq_addr_t& found) {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned type = snd_seq_port_info_get_type(port);
            const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & wanted) != wanted)
                continue;
            if (type & (SND_SEQ_PORT_TYPE_SYNTHESIZER | SND_SEQ_PORT_TYPE_SYNTH |
                        SND_SEQ_PORT_TYPE_MIDI_GM)) {
                found = *snd_seq_port_info_get_addr(port);
                return true;
            }
        }
    }
    return false;
}

} // namespace

struct AlsaSeqSink::Handles {
    snd_seq_t* Seq = nullptr;
    int Port = -1;
    ~Handles() {
        if (Seq)
            snd_seq_close(Seq);
    }
};

std::unique_ptr<AlsaSeqSink> AlsaSeqSink::Open(const Options& options) {
    snd_lib_error_set_handler(&DiscardError);
    auto handles = std::make_unique<Handles>();
    if (snd_seq_open(&handles->Seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
        handles->Seq = nullptr;
        return nullptr;
    }
    snd_seq_set_client_name(handles->Seq, "Tolmix Client");
    handles->Port = snd_seq_create_simple_port(
        handles->Seq, "Music", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (handles->Port < 0)
        return nullptr;

    snd_seq_addr_t destination{};
    bool haveDestination = false;
    if (!options.Destination.empty()) {
        haveDestination =
            snd_seq_parse_address(handles->Seq, &destination, options.Destination.c_str()) >= 0;
        if (!haveDestination)
            return nullptr;
    } else {
        haveDestination =
            FindSynthesizer(handles->Seq, snd_seq_client_id(handles->Seq), destination);
    }
    if (haveDestination &&
        snd_seq_connect_to(handles->Seq, handles->Port, destination.client, destination.port) < 0)
        return nullptr;
    if (!haveDestination && !options.WithoutDestination)
        return nullptr;

    std::unique_ptr<AlsaSeqSink> sink(new AlsaSeqSink(std::move(handles)));
    if (haveDestination)
        sink->Destination =
            std::to_string(destination.client) + ":" + std::to_string(destination.port);
    return sink;
}

AlsaSeqSink::AlsaSeqSink(std::unique_ptr<Handles> handles) : Seq(std::move(handles)) {}

AlsaSeqSink::~AlsaSeqSink() = default;

void AlsaSeqSink::Send(uint8_t status, uint8_t data1, uint8_t data2) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, Seq->Port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        snd_seq_ev_set_noteoff(&event, channel, data1, data2);
        break;
    case 0x90:
        snd_seq_ev_set_noteon(&event, channel, data1, data2);
        break;
    case 0xA0:
        snd_seq_ev_set_keypress(&event, channel, data1, data2);
        break;
    case 0xB0:
        snd_seq_ev_set_controller(&event, channel, data1, data2);
        break;
    case 0xC0:
        snd_seq_ev_set_pgmchange(&event, channel, data1);
        break;
    case 0xD0:
        snd_seq_ev_set_chanpress(&event, channel, data1);
        break;
    case 0xE0:
        snd_seq_ev_set_pitchbend(&event, channel, (data1 | data2 << 7) - 8192);
        break;
    default:
        return;
    }
    // Non-blocking: when the destination cannot keep up the message is dropped, never waited on.
    snd_seq_event_output_direct(Seq->Seq, &event);
}

} // namespace tolmix::posix

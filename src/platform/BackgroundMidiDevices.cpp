#include "platform/BackgroundMidiDevices.h"

namespace tolmix {

BackgroundMidiDevices::BackgroundMidiDevices(Opener opener, const Clock& clock,
                                             SoftwareMidiStream::Timing timing)
    : OpenSink(std::move(opener)), Time(clock), StreamTiming(timing),
      Pending(std::make_shared<Handover>()) {}

BackgroundMidiDevices::~BackgroundMidiDevices() {
    if (Opening.joinable())
        Opening.join();
    Software.reset();
    Sink.reset();
}

bool BackgroundMidiDevices::Prepare(EventLoop& loop, std::function<void()> ready) {
    if (Ready)
        return true;
    OnReady = std::move(ready);
    if (Started)
        return false;
    Started = true;
    const std::weak_ptr<Handover> handover = Pending;
    Opening = std::thread([this, &loop, handover] {
        OpenedMidiOutput result = OpenSink();
        if (const auto pending = handover.lock()) {
            std::lock_guard guard(pending->Lock);
            pending->Result = std::move(result);
        }
        // The devices wait for this thread before they go, so `this` is still there; the call
        // itself may run later, and then finds the devices through the handover only.
        loop.QueueCall([this, handover] {
            if (handover.lock())
                Adopt();
        });
    });
    return false;
}

void BackgroundMidiDevices::Adopt() {
    if (Ready)
        return;
    {
        std::lock_guard guard(Pending->Lock);
        Sink = std::move(Pending->Result.Sink);
        Opened = std::move(Pending->Result.Description);
    }
    Software = std::make_unique<SoftwareMidiDevices>(Sink.get(), Time, StreamTiming);
    Ready = true;
    if (OnReady) {
        const std::function<void()> ready = std::move(OnReady);
        OnReady = nullptr;
        ready();
    }
}

uint32_t BackgroundMidiDevices::NumDevs() const {
    return Software ? Software->NumDevs() : 0;
}

MMRESULT BackgroundMidiDevices::TestOpen(uint32_t deviceId) {
    return Software ? Software->TestOpen(deviceId) : MmNoDriver;
}

MMRESULT BackgroundMidiDevices::OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                           std::unique_ptr<MidiStream>& stream) {
    return Software ? Software->OpenStream(deviceId, target, stream) : MmNoDriver;
}

std::optional<TimePoint> BackgroundMidiDevices::Service(TimePoint now) {
    return Software ? Software->Service(now) : std::nullopt;
}

} // namespace tolmix

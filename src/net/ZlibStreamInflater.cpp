#include "net/StreamInflater.h"
#include "net/ZlibInflater.h"

namespace tolmix {

namespace {

// The server's compressed stream as the telnet reader takes it, over the client's zlib inflater.
class ZlibStreamInflater final : public StreamInflater {
  public:
    Result Inflate(std::string_view input, std::string& output, std::size_t limit) override {
        const InflateResult result = Inflater.Inflate(input, output, limit);
        switch (result.Status) {
        case InflateStatus::NeedMore:
            return {Status::More, result.Consumed};
        case InflateStatus::Ended:
            return {Status::End, result.Consumed};
        case InflateStatus::Corrupt:
            break;
        }
        return {Status::Corrupt, result.Consumed};
    }
    std::string_view TrailingInput() const override { return Inflater.TrailingInput(); }

  private:
    ZlibInflater Inflater;
};

} // namespace

InflaterFactory ZlibInflaters() {
    return [] { return std::make_unique<ZlibStreamInflater>(); };
}

} // namespace tolmix

#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tolmix {

// One compressed stream from the server (zlib format), inflated piece by piece as it arrives.
class StreamInflater {
  public:
    enum class Status {
        // Everything given so far is inflated or kept for more input.
        More,
        // The compressed stream ended: what follows the consumed bytes is plain again.
        End,
        // The bytes are no valid stream; nothing more can be inflated.
        Corrupt,
    };
    struct Result {
        Status State = Status::More;
        // How many bytes of the input were taken.
        std::size_t Consumed = 0;
    };

    virtual ~StreamInflater() = default;
    // Inflates from `input`, appending at most `limit` bytes to `output`. Output that did not
    // fit comes with the next call, also one with empty input.
    virtual Result Inflate(std::string_view input, std::string& output, std::size_t limit) = 0;
    // After End: plain bytes that followed the stream's end in input taken by earlier calls
    // (while output was withheld); they come before the input not consumed by the last call.
    virtual std::string_view TrailingInput() const { return {}; }
};

// Makes the inflater for each compressed stream; empty where the client has none, and the
// server is then not asked to compress.
using InflaterFactory = std::function<std::unique_ptr<StreamInflater>()>;

// The client's own inflater over zlib.
InflaterFactory ZlibInflaters();

} // namespace tolmix

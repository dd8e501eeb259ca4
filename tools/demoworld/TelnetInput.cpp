#include "TelnetInput.h"

namespace tolmix::demo {

namespace {

constexpr char Iac = '\xFF';
constexpr unsigned char FirstOptionVerb = 0xFB; // WILL, WONT, DO, DONT take an option byte

} // namespace

void TelnetInput::Add(char c) {
    if (Current.size() < LineLimit)
        Current += c;
    else
        Cut = true;
}

void TelnetInput::EndLine(std::vector<Line>& lines) {
    lines.push_back({std::move(Current), Cut});
    Current.clear();
    Cut = false;
}

void TelnetInput::Feed(std::string_view bytes, std::vector<Line>& lines) {
    for (const char c : bytes) {
        const bool pairedLf = AfterCr && c == '\n';
        AfterCr = false;
        switch (Now) {
        case State::Iac:
            if (c == Iac) {
                Now = State::Data;
                Add(c);
            } else {
                Now =
                    static_cast<unsigned char>(c) >= FirstOptionVerb ? State::Option : State::Data;
            }
            continue;
        case State::Option: // the option byte of WILL, WONT, DO or DONT
            Now = State::Data;
            continue;
        default:
            break;
        }
        if (c == Iac) {
            Now = State::Iac;
        } else if (c == '\r') {
            EndLine(lines);
            AfterCr = true;
        } else if (c == '\n') {
            if (!pairedLf)
                EndLine(lines);
        } else {
            Add(c);
        }
    }
}

} // namespace tolmix::demo

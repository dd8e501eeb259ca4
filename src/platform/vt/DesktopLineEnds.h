#pragma once

#include <string>
#include <string_view>

// Line ends at the desktop clipboard's border: the client's texts break lines with CR LF, the
// desktop's clipboard tools and terminals with a lone LF.
namespace tolmix::vt {

// Every LF not preceded by CR gets one; CR LF pairs and lone CRs stay as they are.
std::string DesktopToCrLf(std::string_view text);
// Every CR LF pair becomes one LF; lone CRs and LFs stay as they are.
std::string CrLfToDesktop(std::string_view text);

} // namespace tolmix::vt

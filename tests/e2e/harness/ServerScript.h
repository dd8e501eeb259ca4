#pragma once

#include "e2e/harness/LoopbackServer.h"

#include <string>
#include <string_view>
#include <vector>

// The script language of the test server, one command a line:
//   send TEXT     bytes for the client
//   line TEXT     TEXT followed by CR LF
//   expect TEXT   wait for these bytes from the client before what follows
//   close         end the connection once everything before it has gone out
// TEXT may hold \r \n \t \e (ESC) \0 \\ and \xHH; blank lines and lines starting with "#"
// are ignored. A script error names its line.
namespace tolmix::e2e {

struct ServerScriptResult {
    std::vector<LoopbackServer::ScriptStep> Steps;
    std::string Error; // empty when the script is good
};

ServerScriptResult ParseServerScript(std::string_view text);
// The escapes above turned into bytes; false on a malformed escape.
bool UnescapeScriptText(std::string_view text, std::string& bytes);

} // namespace tolmix::e2e

// What the local server lets in: requests that carry its token (or the
// cookie set from it) and name 127.0.0.1 at its port, and file names that
// stay inside the folders it was given.
#pragma once

#include <optional>
#include <string>

namespace vezuved_cli {

// 32 hexadecimal digits from the system's random source.
std::string NewToken();

// Compares in a time that does not depend on where the texts differ.
bool TokenMatches(const std::string& expected, const std::string& given);

// The token in a Cookie header ("vezuved_token_8080=..."), empty when
// none. The cookie is named by the port, so the pages of two servers in
// one browser each keep their own.
std::string TokenInCookie(const std::string& cookies, int port);
std::string TokenCookieName(int port);

// Host must be exactly 127.0.0.1:port; an Origin, when sent, must be
// http://127.0.0.1:port. Anything else is another site or a name
// rebound to this machine.
bool HostAllowed(const std::string& host, int port);
bool OriginAllowed(const std::string& origin, int port);

// The file a request names inside folder: a relative name whose parts are
// no "..", which stays inside the folder once links are followed. None
// when refused.
std::optional<std::string> PathInside(const std::string& folder, const std::string& name);

}  // namespace vezuved_cli

// The console's web pages, built into the programs: the phone remote "/",
// the singers' monitor "/monitor", the overlay page "/overlay" (the stage's
// own page code, fed by server-sent events) and the Pin's login page, with
// their style and scripts. Scripts and styles are served as files of their
// own so the pages' policy allows no inline code at all; every text from
// the console reaches the page as text (textContent), never as markup.
#pragma once

#include <optional>
#include <string>

#include "remote/remote_rules.h"

namespace stanzo::remote {

struct Asset {
  const char* contentType;
  std::string body;
};

// The page, style or script of a GET route; nullopt for the API routes.
std::optional<Asset> PageAsset(Route route);
// The login page; `wrong`: the Pin just given was wrong.
std::string LoginPage(bool wrong);
// The Content-Security-Policy of every page.
const char* PagePolicy(Route route);

}  // namespace stanzo::remote

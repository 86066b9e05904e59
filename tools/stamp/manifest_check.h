#pragma once

#include <string>
#include <vector>

#include "manifest/app_config.h"

namespace quorvane::stamp {

// What the shell will read otherwise than the maker probably meant, in a manifest it accepts
// (|text|, which the shell read into |config|): each member it does not know (a misspelt
// "browser-key") and each member of the wrong JSON type ("enable-devtools": "false"), or with a
// value outside the few it knows, which the shell silently replaces by its default. One line
// each, in the manifest's order, naming the member by its path and the value used instead:
//   package.json: "settings.enable-devtools" is a string, not a boolean: true is used
//   package.json: "settings.browser-key" is not a member the shell knows (ignored)
// "name", the distribution mode's value and the packaging members are not warned about: the
// packager refuses them when they are wrong.
std::vector<std::string> manifestWarnings(const std::string& text, const AppConfig& config);

}  // namespace quorvane::stamp

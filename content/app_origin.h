#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The app origin: every request under it is answered by the shell from the content folder. The
// host sits under the reserved .localhost domain, which the runtime resolves without a network
// lookup (a .local name costs over a second per navigation). Ends in "/".
extern const std::wstring appOrigin;

// Whether |text| begins with the app origin: its first code units equal those of the origin
// exactly (case-sensitive, no unescaping). A text shorter than the origin never does.
bool beginsWithAppOrigin(std::wstring_view text);

}  // namespace quorvane

#include "content/app_origin.h"

namespace quorvane {

const std::wstring appOrigin = L"https://quorvane.localhost/";

bool beginsWithAppOrigin(std::wstring_view text) {
    return text.substr(0, appOrigin.size()) == appOrigin;
}

}  // namespace quorvane

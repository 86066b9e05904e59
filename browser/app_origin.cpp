#include "browser/app_origin.h"

#include "app/app_paths.h"

namespace quorvane {

bool beginsWithAppOrigin(std::wstring_view text) {
    return text.substr(0, appOrigin.size()) == appOrigin;
}

}  // namespace quorvane

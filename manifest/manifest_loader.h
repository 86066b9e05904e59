#pragma once

#include "manifest/app_config.h"

namespace quorvane {

class ManifestLoader {
  public:
    // Fills |config| from the manifest text (UTF-8, NUL-terminated: the text ends at its first NUL
    // byte; a leading byte-order mark is accepted). Throws the JSON library's exception for text
    // that is not one strict JSON document, and the wide texts L"invalid name" or
    // L"invalid distribution mode" for the two validation failures. windowIcon is not touched.
    static void parseManifest(const char* text, AppConfig& config);
};

}  // namespace quorvane

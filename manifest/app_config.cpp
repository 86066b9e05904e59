#include "manifest/app_config.h"

namespace quorvane {

AppConfig appConfig;

}  // namespace quorvane

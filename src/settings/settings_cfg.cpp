#include "settings/settings_cfg.h"

namespace sentrova {

SentrovaCfg Cfg;

}  // namespace sentrova

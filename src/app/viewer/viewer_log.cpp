#include "app/viewer/viewer_log.h"

Q_LOGGING_CATEGORY(viewerLog, "dravonix.viewer")

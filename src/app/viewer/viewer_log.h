#pragma once
// The viewer's logging category, "dravonix.viewer".
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(viewerLog)

#pragma once
#include <QLoggingCategory>

// Diagnostics of card discovery and formatting: never shown to the user.
Q_DECLARE_LOGGING_CATEGORY(cardLog)

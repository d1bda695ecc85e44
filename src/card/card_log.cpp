#include "card/card_log.h"

Q_LOGGING_CATEGORY(cardLog, "dravonix.card")

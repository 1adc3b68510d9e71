#include "settings/connection_settings.h"

void SetDefaultSettings(ConnectionSettings& settings) {
  const auto extraValues = settings.extraValues;
  settings = ConnectionSettings{};
  settings.extraValues = extraValues;
}

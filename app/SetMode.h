#pragma once
// --set: changes settings of the configuration file as OK in the dialog
// would, all or nothing.
#include <string>
#include <vector>

#include "plc/CardServices.h"

// Every assignment ("Key=Value") is checked before anything is written;
// a Value refusal (exit 2) names the first one refused. The exit code.
int SetMode(TCardServices& card, const std::vector<std::string>& assignments);

#pragma once
// --diagnose: the card's step-by-step test of the file's connection, one
// line per step; on failure the cause and what to try on standard error.
#include <string>

#include "plc/CardServices.h"

// program: the name the suggested command starts with. json: the steps as
// one JSON document instead of lines. Returns the exit code: success only
// when every step passed.
int DiagnoseMode(const TCardServices& card, const std::string& program, bool json);

#pragma once
// Test runs in German: the build's catalogue, selected as a user with
// LANG=de_DE.UTF-8 gets it, whatever the test machine's own settings say.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/Localization.h"

class GermanCatalogueEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    SetupLocalization(VN_BUILD_DIR "/bin/locale");
  }
};

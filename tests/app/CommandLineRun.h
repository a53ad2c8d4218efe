#pragma once
// The command line's tests run the shipped program as scripts do: in a
// temporary project folder, with no display, in a language chosen per run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/ProgramProject.h"

// A whole file (a missing number would make the card fall back to all
// defaults) for the given connection type, port and serial port.
inline std::string SettingsFile(int type, int port, int comport = 1) {
  return SettingsText({{"ProtokollFileName", "errors.txt"},
                       {"Comport", std::to_string(comport)},
                       {"Connectiontype", std::to_string(type)},
                       {"IPAddress", "127.0.0.1"},
                       {"IPPort", std::to_string(port)}});
}

class CommandLineTest : public TProgramProjectTest {
 protected:
  CommandLineTest() : TProgramProjectTest("vn_command_line_", {"libs7drv.so"}) {}

  // The environment of every run: no display at all, the language LANG
  // names (no LANGUAGE).
  QProcessEnvironment NoDisplay(const char* language = "C") const {
    QProcessEnvironment env = project.Environment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
      env.remove(name);
    env.insert("LANG", language);
    return env;
  }

  // Runs the shipped program with arguments in workingDir (the project
  // folder by default), without any display, in language (a LANG value).
  // No mode but the dialog may need a display.
  TProgramRun Run(const std::vector<std::string>& arguments, const char* language = "C",
                  const std::filesystem::path& workingDir = {}) const {
    QProcessEnvironment env = NoDisplay(language);
    QStringList args;
    for (const std::string& argument : arguments) args << QString::fromStdString(argument);
    TProgramRun run = project.Run(VN_PROGRAM, args, env, workingDir);
    EXPECT_THAT(run.errors, ::testing::Not(::testing::HasSubstr("qt.qpa"))) << run.errors;
    return run;
  }

  static std::string Path(const std::filesystem::path& path) { return path.string(); }
};

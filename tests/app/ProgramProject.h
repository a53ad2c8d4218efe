#pragma once
// A temporary project folder for running the whole program as users and
// scripts do: drv/ with copies of the stand-in drivers, the S7 driver's
// configuration file, and runs of the program in the folder.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "tests/support/testsupport/ConfigTexts.h"
#include "tests/support/testsupport/TempFolder.h"

struct TProgramRun {
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

class TProgramProject {
 public:
  // name: the start of the folder's name below the temporary folder;
  // drivers: the stand-in libraries copied into drv/.
  TProgramProject(const std::string& name, std::initializer_list<const char*> drivers)
      : FFolder(name), FDir(FFolder.Path()) {
    std::filesystem::create_directories(FDir / "drv");
    for (const char* driver : drivers) {
      std::filesystem::copy_file(std::filesystem::path(VN_BUILD_DIR) / "demo" / "drv" / driver,
                                 FDir / "drv" / driver);
    }
  }
  const std::filesystem::path& Dir() const { return FDir; }
  std::filesystem::path ConfigFile() const { return FDir / "drv" / "libs7drv.CFG"; }
  void WriteConfig(const std::string& bytes) const { WriteBytes(ConfigFile(), bytes); }
  std::string ConfigBytes() const { return ReadBytes(ConfigFile()); }

  // The environment of a run: the test's own, without LC_ALL and
  // LC_MESSAGES, with the suite's options file in the project folder rather
  // than the user's.
  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((FDir / "config").string()));
    return env;
  }

  // Runs program with arguments in workingDir (the project folder when
  // empty); a run that does not end within a minute fails the test.
  TProgramRun Run(const char* program, const QStringList& arguments, const QProcessEnvironment& env,
                  const std::filesystem::path& workingDir = {}) const {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(
        QString::fromStdString((workingDir.empty() ? FDir : workingDir).string()));
    process.start(program, arguments);
    TProgramRun run;
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "the program did not end";
      return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.output = process.readAllStandardOutput().toStdString();
    run.errors = process.readAllStandardError().toStdString();
    return run;
  }

 private:
  TTempFolder FFolder;
  std::filesystem::path FDir;
};

// A test whose project folder is named after the test (below prefix), with
// drivers in drv/.
class TProgramProjectTest : public ::testing::Test {
 protected:
  TProgramProjectTest(const std::string& prefix, std::initializer_list<const char*> drivers)
      : project(prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name(), drivers),
        dir(project.Dir()) {}

  std::filesystem::path ConfigFile() const { return project.ConfigFile(); }
  void WriteConfig(const std::string& bytes) const { project.WriteConfig(bytes); }
  std::string ConfigBytes() const { return project.ConfigBytes(); }

  TProgramProject project;
  std::filesystem::path dir;
};

#pragma once
// A temporary project folder for running the whole program as users and
// scripts do: drv/ with copies of the stand-in drivers, the S7 driver's
// configuration file, and runs of the program in the folder.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

struct TProgramRun {
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// All fourteen settings, out of the file's order, each with a value other
// than its default.
inline const std::string kPreparedSettings =
    "IPAddress=10.0.0.9\r\n"
    "Connectiontype=4\r\n"
    "Comport=1\r\n"
    "Baudrate=3\r\n"
    "LocalMPI=5\r\n"
    "LocalPPI=6\r\n"
    "RemoteMPI=7\r\n"
    "RemotePPI=8\r\n"
    "ProfibusSpeedIndex=1\r\n"
    "IPPort=1102\r\n"
    "Rack=1\r\n"
    "Slot=3\r\n"
    "WriteProtocol=1\r\n"
    "ProtokollFileName=errors.txt\r\n";

// The prepared settings as saving writes them: in the file's order, one
// "Key=Value" line each ended by eol, with the values in changed instead.
inline std::string SavedSettings(const char* eol = "\r\n",
                                 const std::map<std::string, std::string>& changed = {}) {
  std::istringstream lines(
      "WriteProtocol=1 ProtokollFileName=errors.txt Comport=1 Connectiontype=4 Baudrate=3 "
      "LocalMPI=5 LocalPPI=6 RemoteMPI=7 RemotePPI=8 ProfibusSpeedIndex=1 IPAddress=10.0.0.9 "
      "IPPort=1102 Rack=1 Slot=3");
  std::string text;
  for (std::string line; lines >> line;) {
    const std::string key = line.substr(0, line.find('='));
    const auto change = changed.find(key);
    text += (change == changed.end() ? line : key + "=" + change->second) + eol;
  }
  return text;
}

// A channel block as saving writes it: an address, a data block with an
// offset, the empty last line.
inline const std::string kSavedChannels =
    ">ChT<\r\n"
    "SPS\r\n"
    "\tE\r\n"
    "\t\t0\r\n"
    "\tDB\r\n"
    "\t\t10\r\n"
    "\t\t\t2\r\n"
    "\r\n"
    ">EOT<\r\n";

class TProgramProject {
 public:
  // name: the folder's name below the temporary folder; drivers: the
  // stand-in libraries copied into drv/.
  TProgramProject(const std::string& name, std::initializer_list<const char*> drivers)
      : FDir(std::filesystem::temp_directory_path() / name) {
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir / "drv");
    for (const char* driver : drivers) {
      std::filesystem::copy_file(std::filesystem::path(VN_BUILD_DIR) / "demo" / "drv" / driver,
                                 FDir / "drv" / driver);
    }
  }
  ~TProgramProject() {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
  TProgramProject(const TProgramProject&) = delete;
  TProgramProject& operator=(const TProgramProject&) = delete;

  const std::filesystem::path& Dir() const { return FDir; }
  std::filesystem::path ConfigFile() const { return FDir / "drv" / "libs7drv.CFG"; }
  void WriteConfig(const std::string& bytes) const {
    std::ofstream(ConfigFile(), std::ios::binary) << bytes;
  }
  std::string ConfigBytes() const {
    std::ifstream in(ConfigFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

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

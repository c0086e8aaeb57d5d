// Helpers shared by the test programs.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder that is removed with the object.
class TempDir {
public:
    TempDir();
    std::string path() const;                      // without a trailing "/"
    std::string file(const std::string& name) const;  // path() + "/" + name
private:
    QTemporaryDir dir_;
};

// Runs a shell command and returns its exit status (-1 when it could not run).
int runCommand(const std::string& command);

// Whether an executable is on the PATH.
bool haveProgram(const std::string& name);

std::vector<unsigned char> readFile(const std::string& path);
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace testsupport

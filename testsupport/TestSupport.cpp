#include "testsupport/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testsupport {

TempDir::TempDir() : dir_(QDir::tempPath() + "/tessellon-test-XXXXXX") {}

std::string TempDir::path() const { return dir_.path().toStdString(); }

std::string TempDir::file(const std::string& name) const { return path() + "/" + name; }

int runCommand(const std::string& command) {
    int rc = std::system(command.c_str());
    if (rc == -1) return -1;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

bool haveProgram(const std::string& name) {
    return runCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace testsupport

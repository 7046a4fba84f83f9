#include "output_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string folderProblem(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) return "the folder '" + folder + "' does not exist";
        return "the folder '" + folder + "': " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) return "'" + folder + "' is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return "no file can be created in the folder '" + folder + "': " + std::strerror(errno);
    }
    return "";
}

}  // namespace

std::string outputPathProblem(const std::string& outputPath, const std::string& inputPath) {
    if (outputPath.empty()) return "";
    struct stat output {};
    if (stat(outputPath.c_str(), &output) != 0) {
        if (errno != ENOENT) return std::strerror(errno);
        return folderProblem(folderOf(outputPath));
    }
    if (S_ISDIR(output.st_mode)) return "it is a folder";
    struct stat input {};
    if (inputPath != "-" && stat(inputPath.c_str(), &input) == 0 && sameFile(input, output)) {
        return "it is the input file";
    }
    if (access(outputPath.c_str(), W_OK) != 0) return std::string("it is not writable: ") + std::strerror(errno);
    return "";
}

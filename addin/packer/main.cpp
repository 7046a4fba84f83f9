// tavrel_xlam_packer: builds the add-in workbook Tavrel.xlam from its
// source in the repository.
//
//   tavrel_xlam_packer --package DIR --ribbon customUI14.xml --output FILE MODULE.bas...
//
// DIR holds the package's own parts ([Content_Types].xml, _rels/.rels,
// xl/...); the ribbon becomes customUI/customUI14.xml and the modules, in
// the order given, the VBA project xl/vbaProject.bin.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "module_source.h"
#include "package_files.h"
#include "vba_project.h"

namespace fs = std::filesystem;

namespace {

// The project's identity stays the same from build to build.
const std::string projectName = "Tavrel";
const std::string projectId = "{5B3F2A61-7C14-4E8D-9A02-6D1E83C4F7B9}";

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The package's own parts, [Content_Types].xml first (where readers that
// stream the zip look for it), then the rest by path.
std::vector<PackagePart> packageParts(const fs::path& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) paths.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        const bool aTypes = a == "[Content_Types].xml";
        const bool bTypes = b == "[Content_Types].xml";
        return aTypes != bTypes ? aTypes : a < b;
    });
    std::vector<PackagePart> parts;
    for (const std::string& path : paths) parts.push_back({path, bytesOf(readFile(folder / path))});
    return parts;
}

struct Arguments {
    fs::path packageFolder;
    fs::path ribbon;
    fs::path output;
    std::vector<fs::path> modules;
};

Arguments parseArguments(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--package" && hasValue) {
            arguments.packageFolder = argv[++i];
        } else if (argument == "--ribbon" && hasValue) {
            arguments.ribbon = argv[++i];
        } else if (argument == "--output" && hasValue) {
            arguments.output = argv[++i];
        } else if (argument.rfind("--", 0) == 0) {
            throw std::runtime_error("unknown option " + argument);
        } else {
            arguments.modules.emplace_back(argument);
        }
    }
    if (arguments.packageFolder.empty() || arguments.ribbon.empty() || arguments.output.empty() ||
        arguments.modules.empty()) {
        throw std::runtime_error("usage: tavrel_xlam_packer --package DIR --ribbon FILE --output FILE MODULE.bas...");
    }
    return arguments;
}

VbaProject readProject(const std::vector<fs::path>& files) {
    VbaProject project{projectName, projectId, {}};
    for (const fs::path& file : files) {
        VbaModule module = readModule(readFile(file), file.string());
        if (module.name != file.stem().string()) {
            throw std::runtime_error(file.string() + ":1: the module is named " + module.name +
                                     ", its file must be " + module.name + ".bas");
        }
        project.modules.push_back(std::move(module));
    }
    return project;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Arguments arguments = parseArguments(argc, argv);
        const VbaProject project = readProject(arguments.modules);
        std::vector<PackagePart> parts = packageParts(arguments.packageFolder);
        parts.push_back({"customUI/customUI14.xml", bytesOf(readFile(arguments.ribbon))});
        parts.push_back({"xl/vbaProject.bin", compoundFile(projectStreams(project))});
        const fs::path partial = arguments.output.string() + ".partial";
        writeZip(parts, partial.string());
        fs::rename(partial, arguments.output);
    } catch (const std::exception& error) {
        std::cerr << "tavrel_xlam_packer: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

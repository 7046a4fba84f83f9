#include "package_files.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <map>
#include <stdexcept>

namespace {

// 2026-01-01 00:00:00, the time every zip entry carries.
constexpr int fixedYear = 2026;

// The storages and streams of one container as libgsf builds them: a tree
// of GsfOutfile folders, created on first use and closed children first.
class OutfileTree {
public:
    explicit OutfileTree(GsfOutfile* root) : root_(root) {}
    OutfileTree(const OutfileTree&) = delete;
    OutfileTree& operator=(const OutfileTree&) = delete;

    ~OutfileTree() {
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
            gsf_output_close(GSF_OUTPUT(it->second));
            g_object_unref(it->second);
        }
    }

    // The folder that holds path's last component, and that component.
    std::pair<GsfOutfile*, std::string> parentOf(const std::string& path, GDateTime* modtime) {
        GsfOutfile* parent = root_;
        std::size_t start = 0;
        for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
            const std::string folder = path.substr(0, slash);
            auto found = folders_.find(folder);
            if (found == folders_.end()) {
                const std::string name = path.substr(start, slash - start);
                GsfOutput* child = modtime != nullptr
                                       ? gsf_outfile_new_child_full(parent, name.c_str(), TRUE, "modtime", modtime, nullptr)
                                       : gsf_outfile_new_child(parent, name.c_str(), TRUE);
                if (child == nullptr) throw std::runtime_error("libgsf cannot make folder " + folder);
                found = folders_.emplace(folder, GSF_OUTFILE(child)).first;
            }
            parent = found->second;
            start = slash + 1;
        }
        return {parent, path.substr(start)};
    }

private:
    GsfOutfile* root_;
    std::map<std::string, GsfOutfile*> folders_;  // by path; closed deepest first
};

void writeChild(GsfOutput* child, const Bytes& data, const std::string& path) {
    if (child == nullptr) throw std::runtime_error("libgsf cannot make " + path);
    const bool written = data.empty() || gsf_output_write(child, data.size(), data.data());
    const bool closed = gsf_output_close(child);
    g_object_unref(child);
    if (!written || !closed) throw std::runtime_error("libgsf cannot write " + path);
}

}  // namespace

Bytes compoundFile(const StreamMap& streams) {
    gsf_init();
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memory);
    {
        OutfileTree tree(ole);
        for (const auto& [path, data] : streams) {
            auto [parent, name] = tree.parentOf(path, nullptr);
            writeChild(gsf_outfile_new_child(parent, name.c_str(), FALSE), data, path);
        }
    }
    const bool closed = gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    Bytes bytes;
    if (closed) {
        const guint8* start = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
        bytes.assign(start, start + gsf_output_size(memory));
    }
    // Closing the compound file closed its sink as well.
    if (!gsf_output_is_closed(memory)) gsf_output_close(memory);
    g_object_unref(memory);
    if (!closed) throw std::runtime_error("libgsf cannot finish the compound file");
    return bytes;
}

void writeZip(const std::vector<PackagePart>& parts, const std::string& path) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &error);
    if (sink == nullptr) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        if (error != nullptr) g_error_free(error);
        throw std::runtime_error("cannot write " + path + ": " + message);
    }
    GsfOutfile* zip = gsf_outfile_zip_new(sink, &error);
    g_object_unref(sink);
    if (zip == nullptr) {
        if (error != nullptr) g_error_free(error);
        throw std::runtime_error("libgsf cannot start the zip " + path);
    }
    GDateTime* modtime = g_date_time_new_utc(fixedYear, 1, 1, 0, 0, 0);
    try {
        OutfileTree tree(zip);
        for (const PackagePart& part : parts) {
            auto [parent, name] = tree.parentOf(part.path, modtime);
            GsfOutput* child = gsf_outfile_new_child_full(parent, name.c_str(), FALSE, "compression-level",
                                                          GSF_ZIP_DEFLATED, "modtime", modtime, nullptr);
            writeChild(child, part.data, part.path);
        }
    } catch (...) {
        g_date_time_unref(modtime);
        gsf_output_close(GSF_OUTPUT(zip));
        g_object_unref(zip);
        throw;
    }
    g_date_time_unref(modtime);
    const bool closed = gsf_output_close(GSF_OUTPUT(zip));
    g_object_unref(zip);
    if (!closed) throw std::runtime_error("libgsf cannot finish the zip " + path);
}

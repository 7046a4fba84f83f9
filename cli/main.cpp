// tavrel: the all-subsets regression of the Excel add-in, from a terminal.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "csv.h"
#include "dataset.h"
#include "options.h"
#include "progress_bar.h"
#include "regression/bounded_search.h"
#include "regression/centring.h"
#include "search/dependency_warnings.h"
#include "search/search_driver.h"
#include "table_output.h"

namespace {

constexpr int exitInput = 2;
constexpr int exitFailure = 1;
constexpr int exitInterrupted = 130;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool readWhole(const std::string& path, std::string& content) {
    if (path == "-") {
        content.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream buffer;
    buffer << file.rdbuf();
    content = buffer.str();
    return !file.bad();
}

int fail(int status, const std::string& message) {
    std::cerr << "tavrel: " << message << "\n";
    return status;
}

struct SearchRun {
    std::atomic<bool> finished{false};
    SearchOutcome outcome = SearchOutcome::Completed;
    std::string error;
};

// Runs the search on its own thread; the calling thread draws the progress
// line and turns Ctrl-C into the search's stop request.
int search(const RunBlock& block, ResultTable& table) {
    RunProgress progress;
    SearchRun run;
    std::thread worker([&] {
        try {
            run.outcome = runSearch(block, progress, table);
        } catch (const std::exception& e) {
            run.error = e.what();
        } catch (...) {
            run.error = "unknown failure";
        }
        run.finished = true;
    });
    const bool drawBar = isatty(STDERR_FILENO) == 1;
    const auto start = std::chrono::steady_clock::now();
    auto lastDrawn = start - std::chrono::seconds(1);
    while (!run.finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (interrupted) progress.stopRequested = true;
        const auto now = std::chrono::steady_clock::now();
        if (drawBar && now - lastDrawn >= std::chrono::milliseconds(250)) {
            lastDrawn = now;
            const double elapsed = std::chrono::duration<double>(now - start).count();
            const double done = progressFraction(progress, static_cast<std::uint32_t>(block.dependentColumns.size()),
                                                 static_cast<std::uint32_t>(block.explanatoryColumns.size()));
            std::cerr << "\r" << progressLine(done, elapsed) << std::flush;
        }
    }
    worker.join();
    if (drawBar && lastDrawn != start - std::chrono::seconds(1)) std::cerr << "\r\033[K" << std::flush;
    if (!run.error.empty()) return fail(exitFailure, "the search failed: " + run.error);
    if (run.outcome == SearchOutcome::Stopped || interrupted) return fail(exitInterrupted, "interrupted");
    return 0;
}

bool writeOutput(const std::string& path, const std::string& text) {
    if (path.empty()) {
        std::cout << text << std::flush;
        return static_cast<bool>(std::cout);
    }
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    return static_cast<bool>(file);
}

int run(const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.error.empty()) return fail(exitInput, parsed.error + " (see tavrel --help)");
    const CliOptions& options = parsed.options;
    if (options.showHelp) {
        std::cout << usageText();
        return 0;
    }
    if (options.showVersion) {
        std::cout << "tavrel " << TAVREL_VERSION << "\n";
        return 0;
    }
    std::string content;
    if (!readWhole(options.dataPath, content)) {
        return fail(exitInput, "cannot read " + options.dataPath + ": " + std::strerror(errno));
    }
    const CsvParse csv = parseCsv(content);
    if (!csv.error.empty()) {
        return fail(exitInput, options.dataPath + ":" + std::to_string(csv.errorLine) + ": " + csv.error);
    }
    const Dataset dataset = buildDataset(csv, options.dataPath, options);
    for (const std::string& warning : dataset.warnings) std::cerr << "tavrel: warning: " << warning << "\n";
    if (!dataset.error.empty()) return fail(exitInput, dataset.error);
    for (const std::string& warning : dependencyWarnings(dataset.block)) std::cerr << "tavrel: warning: " << warning << "\n";
    // Data the bounded search leaves to the exhaustive screening (rare) are
    // named, since such a run may take far longer. Centred as the driver
    // centres them.
    std::vector<DataColumn> centredColumns = dataset.block.explanatoryColumns;
    for (DataColumn& column : centredColumns) centreColumn(column);
    for (std::size_t i = 0; i < dataset.block.dependentColumns.size(); ++i) {
        DataColumn y = dataset.block.dependentColumns[i];
        centreColumn(y);
        const DropTreeTrust verdict = boundedSearchVerdict(y, centredColumns);
        if (verdict != DropTreeTrust::Trusted) {
            std::cerr << "tavrel: note: exhaustive search: " << dropTreeTrustText(verdict) << " ("
                      << dataset.block.dependentNames[i] << ")\n";
        }
    }

    installInterruptHandler();
    ResultTable table;
    if (const int status = search(dataset.block, table); status != 0) return status;
    if (!writeOutput(options.outputPath, renderTable(table, options.format))) {
        return fail(exitFailure, "cannot write " + (options.outputPath.empty() ? "the output" : options.outputPath));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}

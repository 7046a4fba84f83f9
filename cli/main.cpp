// tavrel: the all-subsets regression of the Excel add-in, from a terminal.
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "analysis.h"
#include "csv.h"
#include "dataset.h"
#include "model_table.h"
#include "options.h"
#include "output_path.h"
#include "progress_bar.h"
#include "run_request.h"
#include "subset_search/bounded_search.h"
#include "regression/centring.h"
#include "search/dependency_warnings.h"
#include "search/search_driver.h"
#include "table_output.h"
#include "text_encoding.h"

namespace {

constexpr int exitInput = 2;
constexpr int exitFailure = 1;
constexpr int exitInterrupted = 130;
// The most explanatory variables the exhaustive screening is left to when
// the bounded search cannot be used (2^31 − 1 subsets: hours already).
constexpr std::size_t maxScreenedColumns = 31;

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
int search(const RunBlock& block, const AnalysisRequest& request, Analysis& analysis) {
    RunProgress progress;
    SearchRun run;
    std::thread worker([&] {
        try {
            run.outcome = runAnalysis(block, request, progress, analysis);
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

// The terminal's width in columns: COLUMNS when it is set to a number,
// otherwise the width of standard output when it is a terminal; 0 when
// neither is known.
std::size_t terminalColumns() {
    if (const char* columns = std::getenv("COLUMNS"); columns != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0) return static_cast<std::size_t>(value);
    }
    struct winsize size {};
    if (isatty(STDOUT_FILENO) == 1 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) return size.ws_col;
    return 0;
}

std::string renderText(const CliOptions& options, const Analysis& analysis) {
    bool longLayout = options.layout == TableLayout::Long;
    if (options.layout == TableLayout::Automatic && options.outputPath.empty()) {
        const std::size_t columns = terminalColumns();
        longLayout = columns > 0 && textTableWidth(analysis.table) > columns;
    }
    if (!longLayout) return renderTable(analysis.table, OutputFormat::Text);
    std::vector<std::vector<double>> criteria;
    for (const auto& kept : analysis.kept) {
        criteria.emplace_back();
        for (const RankedSubset& entry : kept) criteria.back().push_back(entry.criterion);
    }
    return renderLongText(analysis.table, criteria, analysis.ranks);
}

std::string render(const CliOptions& options, const RunBlock& block, const Analysis& analysis) {
    const std::string bom = options.byteOrderMark ? "\xEF\xBB\xBF" : "";
    switch (options.format) {
    case OutputFormat::Text:
        return renderText(options, analysis);
    case OutputFormat::Csv:
        return bom + renderTable(analysis.table, OutputFormat::Csv);
    case OutputFormat::Models:
        return bom + renderModelTable(block, analysis);
    default:
        return renderTable(analysis.table, options.format);
    }
}

// Reads, decodes and parses the data file and builds the run's data from
// it; warnings go to standard error. 0, or the exit status of a refusal.
int loadDataset(const CliOptions& options, Dataset& dataset) {
    std::string content;
    if (!readWhole(options.dataPath, content)) {
        return fail(exitInput, "cannot read " + options.dataPath + ": " + std::strerror(errno));
    }
    const DecodedText text = decodeInput(content, options.encoding, options.delimiter ? options.delimiter : ',');
    if (!text.error.empty()) {
        return fail(exitInput, options.dataPath + ":" + std::to_string(text.errorLine) + ": column " +
                                   std::to_string(text.errorColumn) + ": " + text.error);
    }
    content.clear();
    const char delimiter = options.delimiter ? options.delimiter : (text.wasUtf16 ? '\t' : ',');
    const CsvParse csv = parseCsv(text.utf8, delimiter);
    if (!csv.error.empty()) {
        return fail(exitInput, options.dataPath + ":" + std::to_string(csv.errorLine) + ": " + csv.error);
    }
    dataset = buildDataset(csv, options.dataPath, options);
    for (const std::string& warning : dataset.warnings) std::cerr << "tavrel: warning: " << warning << "\n";
    if (!dataset.error.empty()) {
        // A name that is not found may be the encoding's fault: say which
        // one the file was read in.
        const bool unknownName = dataset.error.rfind("unknown variable", 0) == 0;
        return fail(exitInput, dataset.error + (unknownName ? std::string(" (the file was read as ") + text.name +
                                                                  "; --encoding chooses another)"
                                                            : ""));
    }
    return 0;
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
    if (const std::string problem = outputPathProblem(options.outputPath, options.dataPath); !problem.empty()) {
        return fail(exitInput, "cannot write to " + options.outputPath + ": " + problem);
    }
    Dataset dataset;
    if (const int status = loadDataset(options, dataset); status != 0) return status;
    for (const std::string& warning : dependencyWarnings(dataset.block)) std::cerr << "tavrel: warning: " << warning << "\n";
    const RunRequest request = buildRunRequest(options, dataset.block);
    if (!request.error.empty()) return fail(exitInput, request.error);
    // Data the bounded search leaves to the exhaustive screening (rare) are
    // named, since such a run may take far longer. Prepared as the driver
    // prepares them.
    std::vector<DataColumn> centredColumns = dataset.block.explanatoryColumns;
    for (DataColumn& column : centredColumns) prepareColumn(column);
    for (std::size_t i = 0; i < dataset.block.dependentColumns.size(); ++i) {
        DataColumn y = dataset.block.dependentColumns[i];
        prepareColumn(y);
        const DropTreeTrust verdict = boundedSearchVerdict(y, centredColumns, request.request.subsets.criterion);
        if (verdict != DropTreeTrust::Trusted && centredColumns.size() > maxScreenedColumns) {
            // Fitting every one of 2^32 or more subsets would take years.
            return fail(exitInput, "cannot search " + std::to_string(centredColumns.size()) +
                                       " explanatory variables for " + dataset.block.dependentNames[i] +
                                       ": the search cannot bound these data (" + dropTreeTrustText(verdict) +
                                       "), and above " + std::to_string(maxScreenedColumns) +
                                       " variables it does not fit every subset instead; choose at most " +
                                       std::to_string(maxScreenedColumns) + " with -x");
        }
        if (verdict != DropTreeTrust::Trusted) {
            std::cerr << "tavrel: note: exhaustive search: " << dropTreeTrustText(verdict) << " ("
                      << dataset.block.dependentNames[i] << ")\n";
        }
    }

    installInterruptHandler();
    Analysis analysis;
    if (const int status = search(dataset.block, request.request, analysis); status != 0) return status;
    if (!writeOutput(options.outputPath, render(options, dataset.block, analysis))) {
        return fail(exitFailure, "cannot write " + (options.outputPath.empty() ? "the output" : options.outputPath));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}

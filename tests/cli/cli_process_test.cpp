// The command-line program as a process: arguments in, exit status, standard
// output and standard error out.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "csv.h"
#include "dataset.h"
#include "search/search_driver.h"
#include "table_output.h"

namespace {

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
};

std::string program() { return std::getenv("TAVREL_CLI"); }
std::string example(const std::string& name) { return std::string(std::getenv("TAVREL_EXAMPLES")) + "/" + name; }

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

int statusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

[[noreturn]] void execProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::string path = program();
    argv.push_back(path.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
}

// Runs tavrel; interruptAfter > 0 sends SIGINT after that many milliseconds.
Outcome run(const std::vector<std::string>& arguments, int interruptAfter = 0) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        execProgram(arguments);
    }
    close(out[1]);
    close(err[1]);
    Outcome outcome;
    std::thread errReader([&] { outcome.err = readAll(err[0]); });
    if (interruptAfter > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfter));
        kill(pid, SIGINT);
    }
    outcome.out = readAll(out[0]);
    errReader.join();
    int raw = 0;
    waitpid(pid, &raw, 0);
    outcome.status = statusOf(raw);
    close(out[0]);
    close(err[0]);
    return outcome;
}

std::string writeTemp(const std::string& name, const std::string& content) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// The table the engine makes of the same file and choices.
ResultTable engineTable(const std::string& path, const std::vector<std::string>& arguments) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    std::vector<std::string> withFile = arguments;
    withFile.push_back(path);
    const ParsedOptions parsed = parseOptions(withFile);
    const Dataset data = buildDataset(parseCsv(content.str()), path, parsed.options);
    RunProgress progress;
    ResultTable table;
    runSearch(data.block, progress, table);
    return table;
}

TEST(Cli, CementDataGivesTheEnginesTable) {
    const Outcome outcome = run({"-y", "y", "-f", "csv", "-k", "15", example("cement.csv")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, renderTable(engineTable(example("cement.csv"), {"-y", "y", "-k", "15"}), OutputFormat::Csv));
    // All 15 subsets are listed; y on x1 and x2 has the textbook R² 0.97868.
    const CsvParse parse = parseCsv(outcome.out);
    ASSERT_EQ(parse.records.size(), 15u + 4u);
    bool found = false;
    for (const CsvRecord& row : parse.records) {
        if (row.size() == 7 && row[2].text == "-" && row[3].text == "-" && row[0].text != "-" && row[1].text != "-") {
            EXPECT_EQ(row[4].text.substr(0, 7), "0.97868");
            found = true;
        }
    }
    EXPECT_TRUE(found) << outcome.out;
}

TEST(Cli, TextOutputShowsTheHeaderOnTwoLines) {
    const Outcome outcome = run({"-y", "y", "-k", "2", example("cement.csv")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out.rfind("\u3000従属変数: y\n", 0), 0u) << outcome.out;
    EXPECT_NE(outcome.out.find("調整済み"), std::string::npos);
    EXPECT_NE(outcome.out.find("決定係数\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("\u3000N=13 **p<.01 *p<.05\n"), std::string::npos);
}

TEST(Cli, OutputFileHoldsTheTable) {
    const std::string path = ::testing::TempDir() + "tavrel-out.tsv";
    const Outcome outcome = run({"-y", "y", "-f", "tsv", "-o", path, example("cement.csv")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), renderTable(engineTable(example("cement.csv"), {"-y", "y"}), OutputFormat::Tsv));
}

TEST(Cli, InputErrorsExitWithStatus2AndOneMessage) {
    const std::string notNumber = writeTemp("nn.csv", "a,y\n1,2\n2,zz\n");
    const std::string shortRow = writeTemp("short.csv", "a,b,y\n1,2,3\n4,5\n");
    const std::string duplicate = writeTemp("dup.csv", "a,y,a\n1,2,3\n");
    const std::string empty = writeTemp("empty.csv", "a,y\n1,\n2,3\n");
    const std::string unclosed = writeTemp("open.csv", "a,y\n1,\"2\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-y", "y", notNumber}, notNumber + ":3: column 2 ('y'): 'zz' is not a number"},
        {{"-y", "y", shortRow}, shortRow + ":3: the row has 2 cells, the header 3"},
        {{"-y", "y", duplicate}, duplicate + ":1: column 3 ('a'): duplicate column name, already column 1"},
        {{"-y", "y", empty}, empty + ":2: column 2 ('y'): empty cell (use --drop-incomplete to drop such rows)"},
        {{"-y", "y", unclosed}, unclosed + ":2: a quoted field is not closed"},
        {{"-y", "y", "/nonexistent/data.csv"}, "cannot read /nonexistent/data.csv: No such file or directory"},
        {{"-y", "q", example("cement.csv")}, "unknown variable 'Q'; the columns are 'x1', 'x2', 'x3', 'x4', 'y'"},
        {{"-y", "y", "-k", "0", example("cement.csv")}, "--keep needs a whole number from 1 to 65535, not '0'"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_EQ(outcome.out, "") << c.message;
        EXPECT_NE(outcome.err.find("tavrel: " + c.message), std::string::npos) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

TEST(Cli, DropIncompleteSaysHowManyRowsWereDropped) {
    const std::string path = writeTemp("gaps.csv", "a,b,y\n1,2,3\n2,,5\n3,1,4\n4,4,\n5,2,7\n6,5,6\n");
    const Outcome outcome = run({"-y", "y", "--drop-incomplete", path});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "tavrel: warning: dropped 2 incomplete rows\n");
    EXPECT_NE(outcome.out.find("N=4 "), std::string::npos) << outcome.out;
}

// A search long enough to interrupt: 24 variables, two of them equal.
std::string longData() {
    std::string text;
    for (int i = 0; i < 24; ++i) text += "v" + std::to_string(i) + ",";
    text += "y\n";
    for (int r = 0; r < 80; ++r) {
        for (int i = 0; i < 24; ++i) {
            const int source = i == 23 ? 0 : i;
            text += std::to_string((r * (source + 3) * 7919 % 1009) / 10.0) + ",";
        }
        text += std::to_string(r % 17) + "\n";
    }
    return writeTemp("long.csv", text);
}

TEST(Cli, CtrlCStopsTheSearchWithStatus130AndNoTable) {
    const Outcome outcome = run({"-y", "y", "-o", ::testing::TempDir() + "never.csv", longData()}, 500);
    EXPECT_EQ(outcome.status, 130) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    // The copied column is named before the search starts.
    EXPECT_EQ(outcome.err,
              "tavrel: warning: v23 is a linear combination of v0: models that contain all of them are left out\n"
              "tavrel: interrupted\n");
    EXPECT_NE(access((::testing::TempDir() + "never.csv").c_str(), F_OK), 0);
}

TEST(Cli, ProgressBarOnlyOnATerminal) {
    // Standard error not a terminal (a pipe): nothing but the table.
    const Outcome piped = run({"-y", "sales", "-k", "1", example("synthetic20.csv")});
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err.find('%'), std::string::npos) << piped.err;

    // Standard error a terminal: the bar is drawn.
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        execProgram({"-y", "y", "-k", "1", longData()});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    kill(pid, SIGINT);
    std::string terminal;
    char buffer[4096];
    ssize_t got;
    while ((got = read(master, buffer, sizeof buffer)) > 0) terminal.append(buffer, static_cast<std::size_t>(got));
    int raw = 0;
    waitpid(pid, &raw, 0);
    close(master);
    EXPECT_EQ(statusOf(raw), 130) << terminal;
    EXPECT_NE(terminal.find("% "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("elapsed"), std::string::npos) << terminal;
}

TEST(Cli, HelpAndVersion) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tavrel", 0), 0u) << help.out;
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tavrel ", 0), 0u) << version.out;
}

}  // namespace

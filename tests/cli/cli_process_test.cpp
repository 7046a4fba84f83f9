// The command-line program as a process: arguments in, exit status, standard
// output and standard error out.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>

#include <chrono>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "csv.h"
#include "dataset.h"
#include "report/narrow_text.h"
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
    // A UTF-8 byte order mark, so that Excel reads the Japanese text right.
    EXPECT_EQ(outcome.out,
              "\xEF\xBB\xBF" + renderTable(engineTable(example("cement.csv"), {"-y", "y", "-k", "15"}), OutputFormat::Csv));
    // All 15 subsets are listed; y on x1 and x2 has the textbook R² 0.97868.
    const CsvParse parse = parseCsv(outcome.out);
    ASSERT_EQ(parse.records.size(), 15u + 4u);
    bool found = false;
    for (const CsvRecord& row : parse.records) {
        if (row.size() == 7 && row[2].text == "'-" && row[3].text == "'-" && row[0].text != "'-" &&
            row[1].text != "'-") {
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

TEST(Cli, FewRowsSayHowManyVariablesAModelHoldsAndRankNoLargerModel) {
    // 6 rows, 6 columns (a sixth column is a combination of the others
    // because of the row count alone): a model holds at most 4 variables.
    std::string text = "a,b,c,d,e,f,y\n";
    for (int r = 0; r < 6; ++r) {
        for (int j = 0; j < 6; ++j) text += std::to_string((r * (j + 3) * 7 + j * j + r * r * (j + 1)) % 11) + ",";
        text += std::to_string(r * 2 + (r * r) % 5) + "\n";
    }
    const std::string path = writeTemp("few.csv", text);
    for (const char* criterion : {"aic", "aicc", "rss"}) {
        const Outcome outcome = run({"-y", "y", "-c", criterion, "-k", "100", "-f", "models", path});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "tavrel: warning: with 6 rows a model holds at most 4 explanatory variables\n");
        // The size is the third column of every model row.
        std::size_t rows = 0, largest = 0;
        for (std::size_t at = outcome.out.find("\ny,"); at != std::string::npos; at = outcome.out.find("\ny,", at + 1)) {
            const std::size_t sizeAt = outcome.out.find(',', at + 3) + 1;  // after the rank
            largest = std::max<std::size_t>(largest, std::stoul(outcome.out.substr(sizeAt)));
            ++rows;
        }
        EXPECT_GT(rows, 20u) << criterion;
        EXPECT_EQ(largest, std::string(criterion) == "aicc" ? 3u : 4u) << criterion << "\n" << outcome.out;
    }
}

TEST(Cli, DropIncompleteSaysHowManyRowsWereDropped) {
    const std::string path = writeTemp("gaps.csv", "a,b,y\n1,2,3\n2,,5\n3,1,4\n4,4,\n5,2,7\n6,5,6\n");
    const Outcome outcome = run({"-y", "y", "--drop-incomplete", path});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "tavrel: warning: dropped 2 incomplete rows\n");
    EXPECT_NE(outcome.out.find("N=4 "), std::string::npos) << outcome.out;
}

TEST(Cli, DataNear1eMinus200AndSubnormalsGiveTheirModels) {
    // y = 1, 2, 4, 3 on x = 1 … 4 at 1e-200 (and at 1e-310, subnormal): R²
    // 0.64, and the AIC and the raw slope of the data as given.
    const Outcome tiny = run({"-y", "y", writeTemp("tiny.csv", "y,x\n1e-200,1\n2e-200,2\n4e-200,3\n3e-200,4\n")});
    ASSERT_EQ(tiny.status, 0) << tiny.err;
    EXPECT_EQ(tiny.err, "");
    EXPECT_NE(tiny.out.find("0.80000   0.64000   0.46000  -3683.33018"), std::string::npos) << tiny.out;
    const Outcome subnormal =
        run({"-y", "y", "-f", "models", "--no-bom", writeTemp("subnormal.csv", "y,x\n1e-310,1\n2e-310,2\n4e-310,3\n3e-310,4\n")});
    ASSERT_EQ(subnormal.status, 0) << subnormal.err;
    std::istringstream lines(subnormal.out);
    std::string header, row;
    std::getline(lines, header);
    std::getline(lines, row);
    // dependent, rank, size, variables, criterion, rss, mse, r2, adj_r2, aic, bic, cp, f, f_p, x, …
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
    ASSERT_GE(cells.size(), 15u) << subnormal.out;
    EXPECT_NEAR(std::stod(cells[7]), 0.64, 1e-12) << row;
    EXPECT_NEAR(std::stod(cells[9]), 4.0 * (std::log(0.45) - 620.0 * std::log(10.0)) + 4.0, 1e-6) << row;  // RSS 1.8e-620
    EXPECT_NEAR(std::strtod(cells[14].c_str(), nullptr) / 8e-311, 1.0, 1e-9) << row;  // the slope, itself subnormal
    // The RSS, 1.8e-620, is beyond a double: it is written all the same.
    EXPECT_NEAR(static_cast<double>(std::strtold(cells[5].c_str(), nullptr) / 1.8e-620L), 1.0, 1e-12) << row;

    // x subnormal against y near 1: the slope 8e309 is beyond a double too.
    const Outcome steep =
        run({"-y", "y", "-f", "models", "--no-bom", writeTemp("steep.csv", "y,x\n1,1e-310\n2,2e-310\n4,3e-310\n3,4e-310\n")});
    ASSERT_EQ(steep.status, 0) << steep.err;
    const std::string steepRow = steep.out.substr(steep.out.find('\n') + 1);
    std::vector<std::string> steepCells;
    std::istringstream steepFields(steepRow);
    for (std::string cell; std::getline(steepFields, cell, ',');) steepCells.push_back(cell);
    ASSERT_GE(steepCells.size(), 15u) << steep.out;
    EXPECT_NEAR(static_cast<double>(std::strtold(steepCells[14].c_str(), nullptr) / 8e309L), 1.0, 1e-12) << steepRow;
    EXPECT_NEAR(std::stod(steepCells[5]), 1.8, 1e-12) << steepRow;
}

// A search long enough to interrupt when it keeps longKeep models: 31
// variables, the last one a timestamp-like column that varies by 1e12
// around 1e19, and every list of 65535 models the bound cannot cut short
// (seconds even where the search is several times faster than today).
const std::string longKeep = "65535";
std::string longData() {
    std::string text;
    for (int i = 0; i < 31; ++i) text += "v" + std::to_string(i) + ",";
    text += "y\n";
    for (int r = 0; r < 80; ++r) {
        for (int i = 0; i < 30; ++i) text += std::to_string((r * (i + 3) * 7919 % 1009) / 10.0) + ",";
        text += std::to_string(1e19 + 1e12 * (r * 13 % 31)) + ",";
        text += std::to_string(r % 17) + "\n";
    }
    return writeTemp("long.csv", text);
}

TEST(Cli, CtrlCStopsTheSearchWithStatus130AndNoTable) {
    // A file left by an earlier run would hide one written by this run.
    std::remove((::testing::TempDir() + "never.csv").c_str());
    const Outcome outcome = run({"-y", "y", "-k", longKeep, "-o", ::testing::TempDir() + "never.csv", longData()}, 500);
    EXPECT_EQ(outcome.status, 130) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    // Warnings and notes about the data may come first; the interruption is
    // the last word.
    const std::string last = "tavrel: interrupted\n";
    EXPECT_TRUE(outcome.err.size() >= last.size() && outcome.err.compare(outcome.err.size() - last.size(), last.size(), last) == 0)
        << outcome.err;
    EXPECT_NE(access((::testing::TempDir() + "never.csv").c_str(), F_OK), 0);
}

// k columns of pseudo-random values (a fixed linear congruential sequence)
// and y, over n rows.
std::string wideData(const std::string& name, int k, int n) {
    std::uint64_t state = 12345;
    const auto next = [&] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    std::string text;
    for (int i = 0; i < k; ++i) text += "v" + std::to_string(i) + ",";
    text += "y\n";
    for (int r = 0; r < n; ++r) {
        for (int i = 0; i <= k; ++i) text += std::to_string(next()) + (i < k ? "," : "\n");
    }
    return writeTemp(name, text);
}

TEST(Cli, CtrlCStopsASixtyVariableSearchWithStatus130AndNoTable) {
    std::remove((::testing::TempDir() + "never-wide.csv").c_str());
    const Outcome outcome = run({"-y", "y", "-k", longKeep, "-o", ::testing::TempDir() + "never-wide.csv",
                                 wideData("wide60.csv", 60, 200)},
                                500);
    EXPECT_EQ(outcome.status, 130) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(access((::testing::TempDir() + "never-wide.csv").c_str(), F_OK), 0);
}

TEST(Cli, MoreThan31VariablesThatTheSearchCannotBoundAreRefusedWithTheReason) {
    // 40 candidates over 20 rows: nearly every set of 19 of them is a tree
    // of its own, and fitting each of 2^40 subsets instead would take years.
    const Outcome outcome = run({"-y", "y", wideData("wide40-few-rows.csv", 40, 20)});
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("tavrel: cannot search 40 explanatory variables for y: the search cannot bound these "
                               "data (so few rows"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("choose at most 31 with -x"), std::string::npos) << outcome.err;
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
        execProgram({"-y", "y", "-k", longKeep, longData()});
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

// ---- Files as Japanese Excel saves them ----

// The cement data with Japanese names, a text column the run does not use,
// and the empty column a trailing comma makes, with CR LF line ends.
std::string excelSheet(char delimiter) {
    const char* stores[] = {"東京", "大阪"};
    std::ifstream file(example("cement.csv"));
    std::string line;
    std::getline(file, line);
    const std::string d(1, delimiter);
    std::string text = "店舗名" + d + "x1" + d + "x2" + d + "x3" + d + "x4" + d + "発熱量" + d + "\r\n";
    for (int r = 0; std::getline(file, line); ++r) {
        std::replace(line.begin(), line.end(), ',', delimiter);
        text += std::string(stores[r % 2]) + d + line + d + "\r\n";
    }
    return text;
}

// Code page 932 of the few words the sheet holds (bytes as iconv gives them).
std::string toCp932(std::string text) {
    const std::pair<const char*, const char*> words[] = {{"店舗名", "\x93\x58\x95\xDC\x96\xBC"},
                                                         {"発熱量", "\x94\xAD\x94\x4D\x97\xCA"},
                                                         {"東京", "\x93\x8C\x8B\x9E"},
                                                         {"大阪", "\x91\xE5\x8D\xE3"}};
    for (const auto& [utf8, cp932] : words) {
        for (std::size_t at = text.find(utf8); at != std::string::npos; at = text.find(utf8, at)) {
            text.replace(at, std::strlen(utf8), cp932);
        }
    }
    return text;
}

std::string toUtf16LittleEndian(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : narrowToUtf16(utf8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(Cli, ReadsEveryEncodingJapaneseExcelSavesTheSameWay) {
    const std::string reference = writeTemp("sheet-utf8.csv", excelSheet(','));
    const Outcome expected = run({"-y", "発熱量", "-k", "3", reference});
    ASSERT_EQ(expected.status, 0) << expected.err;
    EXPECT_EQ(expected.out.rfind("\u3000従属変数: 発熱量\n", 0), 0u) << expected.out;
    EXPECT_NE(expected.out.find("0.98234**"), std::string::npos) << expected.out;  // cement's best model
    EXPECT_EQ(expected.err, "tavrel: warning: column '店舗名' holds no numbers and is left out\n");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"CSV (コンマ区切り), code page 932", writeTemp("sheet-cp932.csv", toCp932(excelSheet(',')))},
        {"CSV UTF-8, with a byte order mark", writeTemp("sheet-bom.csv", "\xEF\xBB\xBF" + excelSheet(','))},
        {"Unicode テキスト, UTF-16 and tabs", writeTemp("sheet-utf16.txt", toUtf16LittleEndian(excelSheet('\t')))},
    };
    for (const auto& [kind, path] : files) {
        // The name typed with a trailing full-width space is found too.
        const Outcome outcome = run({"-y", "発熱量\u3000", "-k", "3", path});
        EXPECT_EQ(outcome.status, 0) << kind << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected.out) << kind;
        EXPECT_EQ(outcome.err, expected.err) << kind;
    }
    // Semicolons, as some European settings save.
    const Outcome semicolons =
        run({"-y", "発熱量", "-k", "3", "--delimiter", "semicolon", writeTemp("sheet-semi.csv", excelSheet(';'))});
    EXPECT_EQ(semicolons.out, expected.out) << semicolons.err;
}

TEST(Cli, RefusesWhatItCannotReadWithFileLineColumnAndReason) {
    const std::string cp932 = writeTemp("refuse-cp932.csv", toCp932(excelSheet(',')));
    const std::string broken = writeTemp("refuse-bytes.csv", "a,y\r\n1,2\r\n2,\xFF\r\n");
    const std::string errors = writeTemp("refuse-errors.csv", "a,y\r\n1,2\r\n#DIV/0!,3\r\n2,4\r\n");
    const std::string huge = writeTemp("refuse-huge.csv", "a,y\r\n1,2\r\n1e300,3\r\n2,4\r\n");
    const std::string constant = writeTemp("refuse-constant.csv", "a,y\r\n1,0.1\r\n2,0.1\r\n3,0.1\r\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-y", "発熱量", "--encoding", "utf-8", cp932},
         cp932 + ":1: column 1: byte 0x93 is not UTF-8 (give --encoding cp932 for a file saved as \"CSV (コンマ区切り)\")"},
        {{"-y", "y", broken}, broken + ":3: column 2: byte 0xFF is neither UTF-8 nor code page 932 (Shift_JIS); save "
                                       "the sheet as \"CSV UTF-8\""},
        {{"-y", "y", errors},
         errors + ":3: column 1 ('a'): Excel error value #DIV/0! (use --drop-incomplete to drop such rows)"},
        {{"-y", "y", huge}, huge + ":3: column 1 ('a'): '1e300' is too large: values beyond 1e150 in magnitude "
                                   "overflow the sums of squares"},
        {{"-y", "y", constant}, "dependent variable 'y' is constant (every value is the same): there is nothing to "
                                "explain"},
        {{"-y", "y", "--drop-incomplete=no", errors}, "--drop-incomplete takes no value"},
        {{"-y", " ", errors}, "-y needs a variable name, not ' '"},
        {{"-y", "血圧", cp932}, "unknown variable '血圧'; the columns are '店舗名', 'x1', 'x2', 'x3', 'x4', '発熱量' "
                                "(the file was read as CP932; --encoding chooses another)"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_EQ(outcome.out, "") << c.message;
        EXPECT_NE(outcome.err.find("tavrel: " + c.message), std::string::npos) << outcome.err;
    }
}

TEST(Cli, ErrorCellsAndGroupedNumbersAsExcelWritesThem) {
    const std::string path = writeTemp("excel-cells.csv",
                                       "a,b,y,\r\n\"1,234\",2,3,\r\n\"2,001\",#N/A,5,\r\n\"3,100.5\",1,4,\r\n"
                                       "\"4,000\",4,#VALUE!,\r\n\"5,002\",2,7,\r\n\"6,050\",5,6,\r\n");
    const Outcome outcome = run({"-y", "y", "--drop-incomplete", path});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "tavrel: warning: dropped 2 incomplete rows\n");
    EXPECT_NE(outcome.out.find("N=4 "), std::string::npos) << outcome.out;
}

TEST(Cli, CsvStartsWithAByteOrderMarkUnlessToldNot) {
    const Outcome marked = run({"-y", "y", "-k", "1", "-f", "csv", example("cement.csv")});
    EXPECT_EQ(marked.out.rfind("\xEF\xBB\xBF\u3000従属変数: y,", 0), 0u) << marked.out;
    const Outcome plain = run({"-y", "y", "-k", "1", "-f", "csv", "--no-bom", example("cement.csv")});
    EXPECT_EQ(plain.out, marked.out.substr(3));
    const Outcome models = run({"-y", "y", "-k", "1", "-f", "models", example("cement.csv")});
    EXPECT_EQ(models.out.rfind("\xEF\xBB\xBF" "dependent,rank,size,variables,", 0), 0u) << models.out;
    // TSV is for programs: no mark.
    const Outcome tsv = run({"-y", "y", "-k", "1", "-f", "tsv", example("cement.csv")});
    EXPECT_EQ(tsv.out.rfind("\u3000従属変数: y\t", 0), 0u) << tsv.out;
}

TEST(Cli, OutputFileIsCheckedBeforeTheSearch) {
    const std::string data = writeTemp("keep-me.csv", "a,b,y\n1,2,3\n2,1,5\n3,4,4\n4,3,8\n");
    const Outcome missing = run({"-y", "y", "-o", "/nonexistent-folder/out.csv", longData()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "tavrel: cannot write to /nonexistent-folder/out.csv: the folder '/nonexistent-folder' does not exist\n");
    const Outcome itself = run({"-y", "y", "-o", data, data});
    EXPECT_EQ(itself.status, 2);
    EXPECT_EQ(itself.err, "tavrel: cannot write to " + data + ": it is the input file\n");
    std::ifstream file(data);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), "a,b,y\n1,2,3\n2,1,5\n3,4,4\n4,3,8\n");
}

TEST(Cli, LongLayoutWhenTheTableIsWiderThanTheTerminal) {
    const std::string wide = run({"-y", "y", "-k", "2", "--layout", "wide", example("cement.csv")}).out;
    setenv("COLUMNS", "40", 1);
    const Outcome narrow = run({"-y", "y", "-k", "2", example("cement.csv")});
    const Outcome forced = run({"-y", "y", "-k", "2", "--layout", "wide", example("cement.csv")});
    setenv("COLUMNS", "200", 1);
    const Outcome roomy = run({"-y", "y", "-k", "2", example("cement.csv")});
    unsetenv("COLUMNS");
    ASSERT_EQ(narrow.status, 0) << narrow.err;
    EXPECT_NE(narrow.out.find("\n   1  22.97388  0.98234**           0.97645  24.97388  x1=0.56774** x2=0.43041 "
                              "x4=-0.26318\n"),
              std::string::npos)
        << narrow.out;
    EXPECT_EQ(forced.out, wide);
    EXPECT_EQ(roomy.out, wide);
    EXPECT_EQ(run({"-y", "y", "-k", "2", "--layout", "long", example("cement.csv")}).out, narrow.out);
}

TEST(Cli, HelpListsEveryOptionAndEveryExitStatus) {
    const Outcome help = run({"--help"});
    ASSERT_EQ(help.status, 0);
    for (const char* option : {"--dependent", "--explanatory", "--keep", "--criterion", "--format", "--output",
                               "--layout", "--no-bom", "--encoding", "--delimiter", "--drop-incomplete", "--help",
                               "--version", "models", "cp932", "--per-size", "--force", "bic", "cp"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    for (const char* status : {"\n  0    ", "\n  1    ", "\n  2    ", "\n  130  "}) {
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
    }
}

TEST(Cli, ExcelSampleFileGivesTheCementModels) {
    // examples/cement-excel.csv is cement.csv as Japanese Excel saves it.
    const Outcome excel = run({"-y", "発熱量", "-k", "15", "-f", "csv", example("cement-excel.csv")});
    const Outcome plain = run({"-y", "y", "-k", "15", "-f", "csv", example("cement.csv")});
    ASSERT_EQ(excel.status, 0) << excel.err;
    EXPECT_EQ(excel.err, "tavrel: warning: column '試料' holds no numbers and is left out\n");
    const CsvParse a = parseCsv(excel.out), b = parseCsv(plain.out);
    ASSERT_EQ(a.records.size(), b.records.size());
    EXPECT_EQ(a.records[0][0].text, "\u3000従属変数: 発熱量");
    EXPECT_EQ(a.records[1][0].text, "C3A");
    for (std::size_t r = 2; r < a.records.size(); ++r) {
        ASSERT_EQ(a.records[r].size(), b.records[r].size());
        for (std::size_t c = 0; c < a.records[r].size(); ++c) {
            EXPECT_EQ(a.records[r][c].text, b.records[r][c].text) << "row " << r << " cell " << c;
        }
    }
}

TEST(Cli, RankingRequestsThatCannotBeMetExitWithStatus2AndTheReason) {
    // s is the total of a and b; y is exactly a + 2b in exact.csv; few.csv
    // leaves the model with every variable no residual degrees of freedom.
    const std::string total = writeTemp("total.csv", "a,b,s,y\n1,4,5,2.5\n2,3,5,1.25\n4,4,8,3\n3,1,4,0.5\n5,2,7,1\n");
    const std::string exact = writeTemp("exact.csv", "a,b,y\n1,4,9\n2,3,8\n4,4,12\n3,1,5\n5,2,9\n");
    const std::string few = writeTemp("few.csv", "a,b,y\n1,4,9.5\n2,3,8\n4,4,12\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-y", "y", "--force", "q", example("cement.csv")},
         "--force 'q' is not an explanatory variable of this run (a constant column is left out)"},
        {{"-y", "y", "-x", "x1", "-x", "x2", "--force", "x3", example("cement.csv")},
         "--force 'x3' is not an explanatory variable of this run"},
        {{"-y", "y", "--force", "y", example("cement.csv")},
         "--force 'y': a dependent variable cannot be forced into its own models"},
        {{"-y", "y", "--force", "a", "--force", "b", "--force", "s", total},
         "the forced variables 'a', 'b', 's' are linearly dependent: no model can hold them all"},
        {{"-y", "y", "-c", "cp", exact},
         "cannot rank 'y' by cp: the model with every variable fits it exactly"},
        {{"-y", "y", "-c", "cp", few},
         "cannot rank 'y' by cp: the model with every variable leaves no residual degrees of freedom"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.message << "\n" << outcome.err;
        EXPECT_EQ(outcome.out, "") << c.message;
        EXPECT_NE(outcome.err.find("tavrel: " + c.message), std::string::npos) << outcome.err;
    }
    // Two of the dependent set forced is fine: the models leave out the third.
    const Outcome two = run({"-y", "y", "--force", "a", "--force", "s", "-f", "models", total});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_NE(two.out.find(",a+s,"), std::string::npos) << two.out;
    EXPECT_EQ(two.out.find(",a+b+s,"), std::string::npos) << two.out;
}

TEST(Cli, PerSizeListsRankWithinEachSizeInTheLongLayout) {
    const Outcome outcome =
        run({"-y", "y", "--per-size", "2", "-c", "rss", "--layout", "long", example("cement.csv")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // Sizes 1, 2 and 3 have two models each and size 4 one: ranks 1 2 1 2 1 2 1.
    std::vector<std::string> ranks;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        if (words >> first && !first.empty() && std::isdigit(static_cast<unsigned char>(first[0]))) {
            ranks.push_back(first);
        }
    }
    EXPECT_EQ(ranks, (std::vector<std::string>{"1", "2", "1", "2", "1", "2", "1"})) << outcome.out;
    EXPECT_NE(outcome.out.find("x4=-0.82131**"), std::string::npos) << outcome.out;  // x4 alone is the best of one
}

}  // namespace

// The performer-script parse of a 10 000-performer script, measured next to GNU grep running the
// same two expressions over the same bytes, in the C locale and in the inherited one. The
// benchmark thread is not a toolkit thread, so the parse runs without the pause after each
// stored performer, as it does on such a thread.
#include "core/PerformerScriptParser.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int PERFORMERS = 10000;
// The size of the pieces the download loop hands to the parser.
constexpr size_t PIECE = 4096;

const char PERFORMER_PATTERN[] = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
const char CATEGORY_PATTERN[] = "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";

// A script shaped like the site's: a JavaScript preamble, then per performer a constructor
// line, the viewers line, one to three category lines and, for the barely watched, a category
// the reader does not know.
std::string MakeScript(int performers) {
    static const char* const syllables[] = {"ka", "mi", "ro", "lu", "sa", "ne", "to",  "vi",
                                            "el", "an", "yu", "ri", "zo", "pe", "dai", "sha"};
    static const char* const words[][3] = {
        {"online", nullptr, nullptr}, {"online", "free", nullptr},  {"online", "free", nullptr},
        {"online", "busy", nullptr},  {"online", "busy", "public"}, {"online", "private", "busy"}};
    std::mt19937 random(20261208);
    std::string out = "// Performers online now; refreshed every few seconds.\n"
                      "function PerformerSet(kind) {\n"
                      "    this.kind = kind;\n"
                      "    this.items = [];\n"
                      "}\n"
                      "PerformerSet.prototype.add = function (performer) {\n"
                      "    this.items.push(performer);\n"
                      "};\n"
                      "function Performer(name) {\n"
                      "    this.name = name;\n"
                      "    this.audience = 0;\n"
                      "}\n"
                      "var online_performers = new PerformerSet('online');\n"
                      "var free_performers = new PerformerSet('free');\n"
                      "var busy_performers = new PerformerSet('busy');\n"
                      "var public_performers = new PerformerSet('public');\n"
                      "var private_performers = new PerformerSet('private');\n"
                      "var new_performers = new PerformerSet('new');\n"
                      "\n";
    for (int i = 0; i < performers; ++i) {
        std::string name;
        for (unsigned s = 0, n = 2 + random() % 2; s < n; ++s)
            name += syllables[random() % 16];
        // Unique names in the site's mix of spellings.
        switch (i % 4) {
        case 0:
            name += std::to_string(i);
            break;
        case 1:
            name[0] = static_cast<char>(name[0] - 'a' + 'A');
            name += "_" + std::to_string(i);
            break;
        case 2:
            name += "_" + std::to_string(i) + "X";
            break;
        default:
            name = "_" + name + std::to_string(i);
            break;
        }
        const unsigned viewers = random() % 400;
        out += "var " + name + " = new Performer('" + name + "');\n";
        out += name + ".viewers = " + std::to_string(viewers) + ";\n";
        for (const char* word : words[random() % 6])
            if (word)
                out += std::string(word) + "_performers.add(" + name + ");\n";
        if (viewers < 30)
            out += "new_performers.add(" + name + ");\n";
    }
    out += "// end of list\n";
    return out;
}

const std::string& Script() {
    static const std::string script = MakeScript(PERFORMERS);
    return script;
}

// The script as a file for grep; removed at exit.
const std::string& ScriptFile() {
    static const std::string path = [] {
        char name[] = "/tmp/rod-script-bench-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0 || ::write(fd, Script().data(), Script().size()) !=
                          static_cast<ssize_t>(Script().size())) {
            std::perror("script file");
            std::exit(1);
        }
        ::close(fd);
        std::atexit([] { ::unlink(ScriptFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

// With ROD_SCRIPT_BENCH_KEEP=PATH the script is also written there and left, so that another
// tool (bench/callgrind-parse.sh) can read the very bytes the parser was given.
void KeepScriptIfAsked() {
    const char* path = std::getenv("ROD_SCRIPT_BENCH_KEEP");
    if (!path || !*path)
        return;
    if (FILE* file = std::fopen(path, "wb")) {
        std::fwrite(Script().data(), 1, Script().size(), file);
        std::fclose(file);
    }
}

double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// One parse of the whole script, fed in the download loop's pieces; the hook stands for the
// pause, which a thread the toolkit does not know skips.
size_t ParseScript(PerformerScriptParser& parser, Timing& timing) {
    const std::string& script = Script();
    const double wall = WallSeconds();
    const double cpu = ThreadCpuSeconds();
    parser.Reset();
    for (size_t at = 0; at < script.size(); at += PIECE)
        parser.Feed(script.data() + at, std::min(PIECE, script.size() - at), [] { return true; });
    parser.Finish([] { return true; });
    timing.cpu = ThreadCpuSeconds() - cpu;
    timing.wall = WallSeconds() - wall;
    return parser.GetUserList().size();
}

// `grep -E -c -e PERFORMER -e CATEGORY file`, in the C locale or the inherited one. Counting
// makes grep decide every line: with its output on /dev/null GNU grep stops at the first match.
// The CPU time is the child's own; the count of matching lines comes back in `lines`.
bool RunGrep(bool cLocale, Timing& timing, long& lines) {
    static const std::string countFile = ScriptFile() + ".count";
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (!cLocale || std::strncmp(*e, "LC_ALL=", 7) != 0)
            env.push_back(*e);
    char cAll[] = "LC_ALL=C";
    if (cLocale)
        env.push_back(cAll);
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, countFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const char* argv[] = {
        "grep", "-E", "-c", "-e", PERFORMER_PATTERN, "-e", CATEGORY_PATTERN, ScriptFile().c_str(),
        nullptr};
    const double wall = WallSeconds();
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "grep", &actions, nullptr,
                                       const_cast<char* const*>(argv), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child)
        return false;
    timing.wall = WallSeconds() - wall;
    timing.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    lines = 0;
    if (FILE* file = std::fopen(countFile.c_str(), "r")) {
        if (std::fscanf(file, "%ld", &lines) != 1)
            lines = 0;
        std::fclose(file);
    }
    ::unlink(countFile.c_str());
    // 0: lines matched.
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && lines > 0;
}

const char* LocaleLabel(bool cLocale) {
    return cLocale ? "LC_ALL=C" : "inherited locale";
}

void BM_ParseScript(benchmark::State& state) {
    KeepScriptIfAsked();
    PerformerScriptParser parser;
    Timing timing;
    size_t performers = 0;
    for (auto _ : state)
        performers = ParseScript(parser, timing);
    if (performers != PERFORMERS)
        state.SkipWithError("the parse did not yield every performer");
    state.counters["performers"] = static_cast<double>(performers);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Script().size()));
}
BENCHMARK(BM_ParseScript)->Unit(benchmark::kMillisecond);

// Argument: 1 runs grep in the C locale, 0 in the inherited one.
void BM_GrepScript(benchmark::State& state) {
    const bool cLocale = state.range(0) != 0;
    Timing timing;
    long lines = 0;
    double cpu = 0;
    for (auto _ : state) {
        if (!RunGrep(cLocale, timing, lines)) {
            state.SkipWithError("grep did not run or matched nothing");
            break;
        }
        state.SetIterationTime(timing.wall);
        cpu += timing.cpu;
    }
    state.SetLabel(LocaleLabel(cLocale));
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["child_cpu_ms"] =
        benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Script().size()));
}
BENCHMARK(BM_GrepScript)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);

// Parse and grep taking turns, so that both see the same load on a shared machine; the ratios
// are parser over grep (above 1: the parser is slower).
void BM_ParseVersusGrep(benchmark::State& state) {
    const bool cLocale = state.range(0) != 0;
    PerformerScriptParser parser;
    long lines = 0;
    Timing parse, grep;
    double parseWall = 0, parseCpu = 0, grepWall = 0, grepCpu = 0;
    for (auto _ : state) {
        if (ParseScript(parser, parse) != PERFORMERS || !RunGrep(cLocale, grep, lines)) {
            state.SkipWithError("the parse or grep failed");
            break;
        }
        state.SetIterationTime(parse.wall + grep.wall);
        parseWall += parse.wall;
        parseCpu += parse.cpu;
        grepWall += grep.wall;
        grepCpu += grep.cpu;
    }
    state.SetLabel(LocaleLabel(cLocale));
    const auto avg = benchmark::Counter::kAvgIterations;
    state.counters["parse_ms"] = benchmark::Counter(parseWall * 1e3, avg);
    state.counters["grep_ms"] = benchmark::Counter(grepWall * 1e3, avg);
    state.counters["parse_cpu_ms"] = benchmark::Counter(parseCpu * 1e3, avg);
    state.counters["grep_cpu_ms"] = benchmark::Counter(grepCpu * 1e3, avg);
    state.counters["wall_ratio"] = grepWall > 0 ? parseWall / grepWall : 0;
    state.counters["cpu_ratio"] = grepCpu > 0 ? parseCpu / grepCpu : 0;
}
BENCHMARK(BM_ParseVersusGrep)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

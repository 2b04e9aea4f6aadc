// historygen: writes a plausible history file for the demo, the tests and the benchmarks.
//   historygen --out FILE --names NAME,NAME,... [--days N] [--seed N] [--step SECONDS]
//              [--now SECONDS-SINCE-THE-EPOCH]
// The file must not exist yet. Prints what it wrote.
#include "history/HistoryStore.h"
#include "tools/historygen/HistoryGenerator.h"

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/tokenzr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: historygen --out FILE --names NAME,NAME,... [--days N] "
                         "[--seed N] [--step SECONDS] [--now SECONDS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 1;
    wxString out;
    HistoryGenerator::Options options;
    options.now = static_cast<std::int64_t>(std::time(nullptr));
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* value = argv[i + 1];
        if (!std::strcmp(argv[i], "--out")) {
            out = wxString::FromUTF8(value);
        } else if (!std::strcmp(argv[i], "--names")) {
            wxStringTokenizer names(wxString::FromUTF8(value), ",");
            while (names.HasMoreTokens())
                options.names.push_back(names.GetNextToken().utf8_string());
        } else if (!std::strcmp(argv[i], "--days")) {
            options.days = std::atoi(value);
        } else if (!std::strcmp(argv[i], "--seed")) {
            options.seed = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        } else if (!std::strcmp(argv[i], "--step")) {
            options.stepSeconds = std::atoi(value);
        } else if (!std::strcmp(argv[i], "--now")) {
            options.now = std::strtoll(value, nullptr, 10);
        } else {
            return Usage();
        }
    }
    if (argc % 2 == 0 || out.empty() || options.names.empty() || options.days < 1)
        return Usage();
    if (wxFileName::Exists(out)) {
        std::fprintf(stderr, "historygen: %s exists already\n",
                     static_cast<const char*>(out.utf8_str()));
        return 1;
    }
    HistoryStore store;
    HistoryGenerator::Totals totals;
    if (store.Open(out) != HistoryStore::RECORDING ||
        !HistoryGenerator::Generate(store, options, &totals)) {
        std::fprintf(stderr, "historygen: %s\n",
                     static_cast<const char*>(store.GetProblem().utf8_str()));
        return 1;
    }
    std::printf("historygen: %ld lists, %ld sessions, %ld status changes of %zu performers over %d "
                "days in %s\n",
                totals.lists, totals.sessions, totals.changes, options.names.size(), options.days,
                static_cast<const char*>(out.utf8_str()));
    return 0;
}

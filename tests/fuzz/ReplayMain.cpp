// Runs a fuzz target over files and folders of inputs: the regression cases and the corpus,
// in builds without libFuzzer.
#include "tests/fuzz/FuzzSupport.h"

#include <dirent.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {
int RunPath(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return 0;
    if (S_ISDIR(st.st_mode)) {
        int count = 0;
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.')
                    count += RunPath(path + "/" + entry->d_name);
            closedir(dir);
        }
        return count;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i)
        count += RunPath(argv[i]);
    std::cout << count << " inputs replayed without a fault\n";
    return 0;
}

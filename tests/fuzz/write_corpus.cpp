// Writes the seed corpus into a folder, one file per case, for the fuzzer to start from.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/fuzz/seed_corpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    for (const SeedCase& c : SeedCorpus()) {
        std::ofstream out(std::string(argv[1]) + "/" + c.name, std::ios::binary | std::ios::trunc);
        const std::string bytes = EncodeFuzzInput(c.input);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s/%s\n", argv[1], c.name.c_str());
            return 1;
        }
    }
    return 0;
}

// Runs a fuzz target without libFuzzer: every file of the corpus folders
// given, then --runs seeded random inputs of up to --max-len bytes. The test
// suite runs it (under ASan and UBSan in the sanitizer build); scripts/fuzz
// runs the real fuzzer for longer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

void RunOne(const std::vector<std::uint8_t>& input) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    long runs = 1000;
    std::uint64_t seed = 1;
    std::size_t maxLen = 512;
    std::vector<std::filesystem::path> corpora;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--max-len" && i + 1 < argc) {
            maxLen = std::strtoull(argv[++i], nullptr, 10);
        } else {
            corpora.emplace_back(arg);
        }
    }

    long files = 0;
    for (const auto& folder : corpora) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            std::ifstream in(entry.path(), std::ios::binary);
            RunOne({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
            ++files;
        }
    }

    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    for (long run = 0; run < runs; ++run) {
        std::vector<std::uint8_t> input(random() % (maxLen + 1));
        for (auto& b : input) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        RunOne(input);
    }
    std::cout << "Ran " << files << " corpus inputs and " << runs << " random inputs (seed " << seed
              << ")\n";
    return 0;
}

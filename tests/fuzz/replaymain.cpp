// The corpus replay for trees built without libFuzzer: the harness runs once on each file named
// on the command line (options, which libFuzzer would take, are ignored), so a property that
// breaks or a crash fails the test. Long runs and sanitizers are the clang trees' business.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

// Optional, as with libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        ++files;
    }
    fprintf(stderr, "ran %d inputs\n", files);
    return 0;
}

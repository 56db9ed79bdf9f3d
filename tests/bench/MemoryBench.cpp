// What a transposition-table probe costs on this machine, apart from the search: random reads
// over a block laid out like the table (2 MiB pages asked for, pages touched first), each read
// either waiting for the one before (the latency a probe sees when nothing hid it) or free of
// it (the most the memory gives when every read is asked for ahead). A benchmark, run by hand;
// never a test:
//   build/bin/memory_bench                 1 MiB, 16 MiB and 205 MiB
//   build/bin/memory_bench 214748365       one size in bytes
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr size_t LINE = 64;
constexpr size_t HUGE_PAGE = size_t{2} << 20;

double NanosecondsSince(std::chrono::steady_clock::time_point Start, size_t Reads)
{
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - Start).count() / Reads;
}

void Measure(size_t Bytes)
{
    if (Bytes < 2 * LINE) {
        std::printf("%zu bytes: too small to measure\n", Bytes);
        return;
    }
    const size_t length = (Bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    void* raw = mmap(nullptr, length + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        std::printf("%zu bytes: cannot be mapped\n", Bytes);
        return;
    }
    auto* block = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(raw) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1));
    madvise(block, length, MADV_HUGEPAGE);
    const size_t lines = Bytes / LINE;

    // One cycle through every line in random order: each read gives the next line's address.
    std::vector<uint32_t> order(lines);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937_64(2473));
    for (size_t i = 0; i < lines; ++i)
        *reinterpret_cast<uint64_t*>(block + size_t{order[i]} * LINE) = size_t{order[(i + 1) % lines]} * LINE;

    constexpr size_t Reads = 2000000;
    uint64_t at = size_t{order[0]} * LINE;
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < Reads; ++i)
        at = *reinterpret_cast<volatile uint64_t*>(block + at);
    const double latency = NanosecondsSince(start, Reads);

    // Reads whose addresses are known ahead, asked for eight at a time as a node asks for its
    // children's entries.
    uint64_t x = 88172645463325252ull, sum = at;
    start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < Reads; i += 8) {
        size_t offsets[8];
        for (size_t& offset : offsets) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            offset = (x % lines) * LINE;
            __builtin_prefetch(block + offset);
        }
        for (const size_t offset : offsets)
            sum += *reinterpret_cast<const uint64_t*>(block + offset);
    }
    const double overlapped = NanosecondsSince(start, Reads);
    std::printf("%10zu bytes: %6.1f ns a read after the one before, %5.1f ns a read asked for ahead (%llu)\n",
                Bytes, latency, overlapped, static_cast<unsigned long long>(sum & 1));
    munmap(raw, length + HUGE_PAGE);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        Measure(std::strtoull(argv[1], nullptr, 10));
        return 0;
    }
    for (const size_t bytes : {size_t{1} << 20, size_t{16} << 20, size_t{214748365}})
        Measure(bytes);
}

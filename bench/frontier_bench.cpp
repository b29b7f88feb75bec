// Our inflate beside the fastest deflate libraries, one core, all in memory: every entry of
// each archive given is decoded into a buffer of the entry's size and its CRC-32 taken, by
// ours through the whole entry path (InBuf refills, the window, the output stream, the CRC,
// the size guard), by libdeflate (libdeflate_deflate_decompress, then libdeflate_crc32) and
// by ISA-L (isal_inflate, then crc32_gzip_refl), each through its public API. Deflate64
// entries, which neither library reads, are decoded by ours alone. Prints the medians of
// interleaved rounds, MB/s of output over wall-clock and over processor time, and our ratio
// to each library and to the faster of the two.
//
//   frontier_bench --archive=FILE.zip [--archive=...] [--rounds=N] [--once] [--ours-only]
//
// --once runs each piece once and --ours-only leaves the libraries out, for instruction
// counts of ours under callgrind. A library whose development package was missing at build
// time is left out (see bench/CMakeLists.txt).

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "unzip/unzip_context.h"

#ifndef VI_BENCH_LIBDEFLATE
#define VI_BENCH_LIBDEFLATE 0
#endif
#ifndef VI_BENCH_ISAL
#define VI_BENCH_ISAL 0
#endif

#if VI_BENCH_LIBDEFLATE
#include <libdeflate.h>
#endif
#if VI_BENCH_ISAL
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#endif

namespace {

using bench::Bytes;
using bench::DeflatedEntry;

int g_rounds = 15;
bool g_ours_only = false;

// The entries of one method of an archive held in memory, and the buffer they are decoded into.
struct Work {
    const Bytes* archive = nullptr;
    std::vector<DeflatedEntry> entries;
    Bytes output;  // as large as the largest entry; each entry is given its first bytes
    size_t output_bytes = 0;
};

// Each decoder returns the number of entries whose CRC differs from the stored one.
int Ours(Work& work, unzip::TUnZipContext& context) {
    bench::ReadStream stream(*work.archive);
    int failures = 0;
    for (const DeflatedEntry& entry : work.entries) {
        bench::BufferOutput output(work.output.data());
        stream.Seek(static_cast<int64_t>(entry.data), 0);
        context.ArchiveStream = &stream;
        context.OutFile = &output;
        context.CurrentEntry.BitFlag = entry.flags;
        context.CurrentEntry.CompressionMethod = entry.method;
        context.CurrentEntry.CompressedSize = entry.compressed;
        context.CurrentEntry.UncompressedSize = entry.uncompressed;
        if (bench::DecodeEntry(context) != entry.crc) ++failures;
    }
    return failures;
}

#if VI_BENCH_LIBDEFLATE
int Libdeflate(Work& work, libdeflate_decompressor* decompressor) {
    int failures = 0;
    for (const DeflatedEntry& entry : work.entries) {
        size_t produced = 0;
        const libdeflate_result result =
            libdeflate_deflate_decompress(decompressor, work.archive->data() + entry.data, entry.compressed,
                                          work.output.data(), entry.uncompressed, &produced);
        if (result != LIBDEFLATE_SUCCESS || libdeflate_crc32(0, work.output.data(), produced) != entry.crc) ++failures;
    }
    return failures;
}
#endif

#if VI_BENCH_ISAL
int Isal(Work& work, inflate_state& state) {
    int failures = 0;
    for (const DeflatedEntry& entry : work.entries) {
        isal_inflate_init(&state);
        state.next_in = const_cast<uint8_t*>(work.archive->data() + entry.data);
        state.avail_in = entry.compressed;
        state.next_out = work.output.data();
        state.avail_out = entry.uncompressed;
        state.crc_flag = ISAL_DEFLATE;
        const int result = isal_inflate(&state);
        if (result != ISAL_DECOMP_OK || state.block_state != ISAL_BLOCK_FINISH ||
            crc32_gzip_refl(0, work.output.data(), state.total_out) != entry.crc)
            ++failures;
    }
    return failures;
}
#endif

void Summarize(const std::string& path, const Bytes& archive, uint16_t method) {
    Work work;
    work.archive = &archive;
    work.entries = bench::EntriesOfMethod(archive, method);
    if (work.entries.empty()) return;
    size_t largest = 0, compressed = 0;
    for (const DeflatedEntry& entry : work.entries) {
        work.output_bytes += entry.uncompressed;
        compressed += entry.compressed;
        largest = std::max<size_t>(largest, entry.uncompressed);
        if (entry.flags & 1) {
            std::printf("\n%s: encrypted entries are not measured here\n", path.c_str());
            return;
        }
    }
    work.output.resize(largest);
    std::printf("\n%s: %zu %s entries, %zu bytes out of %zu\n", path.c_str(), work.entries.size(),
                method == 9 ? "Deflate64" : "deflated", work.output_bytes, compressed);

    auto context = std::make_unique<unzip::TUnZipContext>();
    std::vector<std::string> names = {"ours, entry path + CRC-32"};
    std::vector<std::function<int()>> works = {[&] { return Ours(work, *context); }};
#if VI_BENCH_LIBDEFLATE
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    if (method == 8 && !g_ours_only) {
        names.push_back("libdeflate + libdeflate_crc32");
        works.push_back([&] { return Libdeflate(work, decompressor); });
    }
#endif
#if VI_BENCH_ISAL
    auto state = std::make_unique<inflate_state>();
    if (method == 8 && !g_ours_only) {
        names.push_back("ISA-L isal_inflate + crc32_gzip_refl");
        works.push_back([&] { return Isal(work, *state); });
    }
#endif
    std::printf("entries failing their CRC:");
    for (size_t index = 0; index < works.size(); ++index) std::printf("%s %d", index == 0 ? "" : ",", works[index]());
    std::printf("\n");
    std::vector<std::function<void()>> timed;
    for (const auto& work_of : works) timed.push_back([&work_of] { work_of(); });
    const bench::Rates rates = bench::MeasureInterleaved(timed, std::vector<size_t>(timed.size(), work.output_bytes), g_rounds);
    std::printf("medians of %d interleaved rounds, MB/s of output      wall   processor   ours/it: wall  processor\n",
                g_rounds);
    double fastest_wall = 0, fastest_processor = 0;
    for (size_t index = 0; index < names.size(); ++index) {
        std::printf("  %-40s %9.1f %11.1f", names[index].c_str(), rates.wall[index], rates.processor[index]);
        if (index > 0) {
            std::printf("   %13.3f %10.3f", rates.wall[0] / rates.wall[index], rates.processor[0] / rates.processor[index]);
            fastest_wall = std::max(fastest_wall, rates.wall[index]);
            fastest_processor = std::max(fastest_processor, rates.processor[index]);
        }
        std::printf("\n");
    }
    if (names.size() > 1)
        std::printf("  %-40s %21s   %13.3f %10.3f\n", "ours to the faster library", "", rates.wall[0] / fastest_wall,
                    rates.processor[0] / fastest_processor);
#if VI_BENCH_LIBDEFLATE
    libdeflate_free_decompressor(decompressor);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> archives;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.rfind("--archive=", 0) == 0) archives.push_back(argument.substr(10));
        else if (argument.rfind("--rounds=", 0) == 0) g_rounds = std::max(1, std::atoi(argument.c_str() + 9));
        else if (argument == "--once") g_rounds = 1;
        else if (argument == "--ours-only") g_ours_only = true;
        else {
            std::fprintf(stderr, "usage: frontier_bench --archive=FILE.zip [--archive=...] [--rounds=N] [--once] [--ours-only]\n");
            return 2;
        }
    }
#if !VI_BENCH_LIBDEFLATE || !VI_BENCH_ISAL
    std::printf("built without %s: install the development packages (scripts/install-deps.sh)\n",
                !VI_BENCH_LIBDEFLATE && !VI_BENCH_ISAL ? "libdeflate and ISA-L"
                : !VI_BENCH_LIBDEFLATE                ? "libdeflate"
                                                      : "ISA-L");
#endif
    for (const std::string& path : archives) {
        const Bytes archive = bench::ReadWholeFile(path);
        Summarize(path, archive, 8);
        Summarize(path, archive, 9);
    }
    return 0;
}

// Throughput of the decoders' hot paths beside zlib on the same data: inflate, CRC-32 and
// the traditional decryption. The corpus is generated here, deterministically: text-like,
// structured, binary and incompressible stretches, about 12 MB, deflated raw by zlib at
// level 6. Our inflate runs the whole way an entry goes (InBuf refills, the window, OutBuf,
// CRC-32, the size guard) into an output stream that discards; zlib's inflate only
// decompresses into memory. After the runs the program prints MB/s and the ratios.
//
//   inflate_bench [benchmark flags] [--archive=FILE.zip]... [--password=TEXT] [--once]
//
// Each archive given is read into memory and every deflated entry decoded (the summary of
// the built-in corpus is then left out): ours through
// the entry path (decryption too when the entry is encrypted), zlib's inflate followed by
// crc32 over its output (after a plain decryption loop for an encrypted entry), and for an
// encrypted archive that loop alone, the ceiling of a decoder that must decrypt byte after
// byte. --once runs every measured piece once, for instruction counts under callgrind.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "unzip/crc32.h"
#include "unzip/entry_decoding.h"
#include "unzip/unzip_context.h"
#include "zip/stream.h"

namespace {

using bench::Bytes;
using bench::DeflatedEntry;
using bench::ReadStream;

constexpr size_t kCorpusSize = 12u << 20;

Bytes MakeCorpus() {
    std::mt19937 random(20261207);
    static const char* const words[] = {"the ",   "install ", "window ", "directory ", "of ",      "and ",
                                        "file ",  "setup ",   "a ",      "archive ",   "program ", "to ",
                                        "with ",  "shortcut ", "system ", "version ",  "is ",      "for "};
    Bytes data;
    data.reserve(kCorpusSize + 65536);
    while (data.size() < kCorpusSize) {
        switch (random() % 8) {
            case 0:
            case 1:
            case 2: {  // prose: Zipf-like word choice, line breaks
                for (int index = 0; index < 2000; ++index) {
                    const uint32_t pick = random() % 1000;
                    const char* word = words[pick < 500 ? pick % 4 : pick < 800 ? 4 + pick % 6 : 10 + pick % 8];
                    data.insert(data.end(), word, word + std::strlen(word));
                    if (random() % 12 == 0) data.push_back('\n');
                }
                break;
            }
            case 3:
            case 4: {  // records: counters, small fields, zero padding
                const uint32_t base = random();
                for (uint32_t index = 0; index < 1000; ++index) {
                    const uint32_t fields[3] = {base + index, static_cast<uint32_t>(random() % 100), index * 37};
                    for (uint32_t field : fields)
                        for (int byte = 0; byte < 4; ++byte) data.push_back(static_cast<uint8_t>(field >> (8 * byte)));
                    data.insert(data.end(), 20, 0);
                }
                break;
            }
            case 5:
            case 6: {  // machine-code-like: a small alphabet with skewed bytes and repeats
                for (int index = 0; index < 16000; ++index) {
                    const uint32_t pick = random() % 100;
                    data.push_back(pick < 30 ? 0 : pick < 45 ? 0xFF : pick < 60 ? 0x8B : static_cast<uint8_t>(random() % 64));
                }
                break;
            }
            default: {  // incompressible
                for (int index = 0; index < 12000; ++index) data.push_back(static_cast<uint8_t>(random()));
                break;
            }
        }
    }
    data.resize(kCorpusSize);
    return data;
}

Bytes RawDeflate(const Bytes& input, int level) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes output(deflateBound(&stream, input.size()));
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

struct Corpus {
    Bytes plain = MakeCorpus();
    Bytes deflated = RawDeflate(plain, 6);
};

const Corpus& TheCorpus() {
    static const Corpus corpus;
    return corpus;
}

void Record(benchmark::State& state, size_t bytes_per_iteration) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes_per_iteration));
}

// Rounds of the summary; 1 with --once.
int g_rounds = 7;

// Each piece of work's median rate in MB/s of processor time.
std::vector<double> MeasureInterleaved(const std::vector<std::function<void()>>& works, const std::vector<size_t>& bytes) {
    return bench::MeasureInterleaved(works, bytes, g_rounds).processor;
}

// The traditional decryption written plainly, a byte at a time, on zlib's CRC table: the
// reference our DecryptBuffer is measured against.
struct PlainKeys {
    uint32_t key[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    const z_crc_t* table = get_crc_table();
    void Update(uint8_t plain) {
        key[0] = table[(key[0] ^ plain) & 0xFF] ^ (key[0] >> 8);
        key[1] = (key[1] + (key[0] & 0xFF)) * 134775813u + 1;
        key[2] = table[(key[2] ^ (key[1] >> 24)) & 0xFF] ^ (key[2] >> 8);
    }
    uint8_t Decrypt(uint8_t cipher) {
        const uint32_t temp = (key[2] & 0xFFFF) | 2;
        const uint8_t plain = cipher ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
        Update(plain);
        return plain;
    }
    explicit PlainKeys(const std::string& password) {
        for (char character : password) Update(static_cast<uint8_t>(character));
    }
};

void PlainDecrypt(const std::string& password, uint8_t* data, size_t n) {
    PlainKeys keys(password);
    for (size_t index = 0; index < n; ++index) data[index] = keys.Decrypt(data[index]);
}

uint32_t OurInflate(const Corpus& corpus, unzip::TUnZipContext& context) {
    ReadStream archive(corpus.deflated);
    bench::BufferOutput output;  // discards
    context.ArchiveStream = &archive;
    context.OutFile = &output;
    context.CurrentEntry.CompressedSize = static_cast<int32_t>(corpus.deflated.size());
    context.CurrentEntry.UncompressedSize = static_cast<int32_t>(corpus.plain.size());
    return bench::DecodeEntry(context);
}

size_t ZlibInflate(const Corpus& corpus, Bytes& output) {
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = const_cast<Bytef*>(corpus.deflated.data());
    stream.avail_in = static_cast<uInt>(corpus.deflated.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    inflate(&stream, Z_FINISH);
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    return produced;
}

void BM_InflateOurs(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    auto context = std::make_unique<unzip::TUnZipContext>();
    for (auto _ : state) benchmark::DoNotOptimize(OurInflate(corpus, *context));
    Record(state, corpus.plain.size());
}

void BM_InflateZlib(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    Bytes output(corpus.plain.size());
    for (auto _ : state) benchmark::DoNotOptimize(ZlibInflate(corpus, output));
    Record(state, corpus.plain.size());
}

void BM_Crc32Ours(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    for (auto _ : state)
        benchmark::DoNotOptimize(unzip::Crc32Update(0xFFFFFFFFu, corpus.plain.data(), corpus.plain.size()));
    Record(state, corpus.plain.size());
}

void BM_Crc32Zlib(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) benchmark::DoNotOptimize(crc32(0, corpus.plain.data(), static_cast<uInt>(corpus.plain.size())));
    Record(state, corpus.plain.size());
}

void BM_Decrypt(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    auto context = std::make_unique<unzip::TUnZipContext>();
    Bytes buffer(corpus.deflated);
    for (auto _ : state) {
        unzip::InitKeys(*context, "password");
        unzip::DecryptBuffer(*context, buffer.data(), static_cast<uint32_t>(buffer.size()));
        benchmark::DoNotOptimize(buffer.data());
    }
    Record(state, buffer.size());
}

BENCHMARK(BM_InflateOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateZlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decrypt)->Unit(benchmark::kMillisecond);

void PrintSummary() {
    const Corpus& corpus = TheCorpus();
    auto context = std::make_unique<unzip::TUnZipContext>();
    Bytes output(corpus.plain.size());
    const uint32_t expected_crc = static_cast<uint32_t>(crc32(0, corpus.plain.data(), static_cast<uInt>(corpus.plain.size())));
    const bool same_crc = OurInflate(corpus, *context) == expected_crc &&
                          unzip::Crc32Update(0xFFFFFFFFu, corpus.plain.data(), corpus.plain.size()) == ~expected_crc;
    const size_t size = corpus.plain.size();
    Bytes buffer(corpus.deflated);
    // What an extractor built on zlib does per entry: inflate, then the CRC of the output.
    const std::vector<double> rates = MeasureInterleaved(
        {[&] { OurInflate(corpus, *context); }, [&] { ZlibInflate(corpus, output); },
         [&] {
             ZlibInflate(corpus, output);
             benchmark::DoNotOptimize(crc32(0, output.data(), static_cast<uInt>(size)));
         },
         [&] { benchmark::DoNotOptimize(unzip::Crc32Update(0xFFFFFFFFu, corpus.plain.data(), size)); },
         [&] { benchmark::DoNotOptimize(crc32(0, corpus.plain.data(), static_cast<uInt>(size))); },
         [&] {
             unzip::InitKeys(*context, "password");
             unzip::DecryptBuffer(*context, buffer.data(), static_cast<uint32_t>(buffer.size()));
         },
         [&] { PlainDecrypt("password", buffer.data(), buffer.size()); }},
        {size, size, size, size, size, buffer.size(), buffer.size()});
    std::printf("\ncorpus: %zu bytes, deflated (zlib level 6, raw): %zu bytes; results identical: %s\n", size,
                corpus.deflated.size(), same_crc ? "yes" : "NO");
    std::printf("medians of %d interleaved rounds, MB/s of processor time\n", g_rounds);
    std::printf("inflate (ours, with CRC and output path): %8.1f MB/s\n", rates[0]);
    std::printf("inflate (zlib, into memory):              %8.1f MB/s   ratio ours/zlib %.2f\n", rates[1], rates[0] / rates[1]);
    std::printf("inflate + crc32 (zlib):                   %8.1f MB/s   ratio ours/zlib %.2f\n", rates[2], rates[0] / rates[2]);
    std::printf("crc-32 (ours):                            %8.1f MB/s\n", rates[3]);
    std::printf("crc-32 (zlib):                            %8.1f MB/s   ratio ours/zlib %.2f\n", rates[4], rates[3] / rates[4]);
    std::printf("decryption (ours):                        %8.1f MB/s\n", rates[5]);
    std::printf("decryption (plain byte-serial loop):      %8.1f MB/s   ratio ours/plain %.2f\n", rates[6], rates[5] / rates[6]);
}

// ---- Archives given on the command line.

// Every entry through our entry path; returns the number whose CRC differs from the stored one.
int OurArchive(const Bytes& archive, const std::vector<DeflatedEntry>& entries, const std::string& password,
               unzip::TUnZipContext& context) {
    ReadStream stream(archive);
    int failures = 0;
    for (const DeflatedEntry& entry : entries) {
        bench::BufferOutput output;  // discards
        stream.Seek(static_cast<int64_t>(entry.data), 0);
        context.ArchiveStream = &stream;
        context.OutFile = &output;
        context.CurrentEntry.BitFlag = entry.flags;
        context.CurrentEntry.CompressedSize = static_cast<int32_t>(entry.compressed);
        context.CurrentEntry.UncompressedSize = static_cast<int32_t>(entry.uncompressed);
        if (context.CurrentEntry.Encrypted()) unzip::CheckPassword(context, password, stream);
        if (bench::DecodeEntry(context) != entry.crc) ++failures;
    }
    return failures;
}

// Every entry the way an extractor built on zlib goes: decryption, inflate, crc32.
int ZlibArchive(const Bytes& archive, const std::vector<DeflatedEntry>& entries, const std::string& password,
                Bytes& scratch, Bytes& output) {
    int failures = 0;
    for (const DeflatedEntry& entry : entries) {
        const uint8_t* data = archive.data() + entry.data;
        uint32_t size = entry.compressed;
        if (entry.flags & 1) {
            std::memcpy(scratch.data(), data, size);
            PlainDecrypt(password, scratch.data(), size);
            data = scratch.data() + 12;
            size -= 12;
        }
        z_stream stream{};
        inflateInit2(&stream, -15);
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = size;
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        inflate(&stream, Z_FINISH);
        if (crc32(0, output.data(), static_cast<uInt>(stream.total_out)) != entry.crc) ++failures;
        inflateEnd(&stream);
    }
    return failures;
}

void PrintArchiveSummary(const std::string& path, const std::string& password) {
    const Bytes archive = bench::ReadWholeFile(path);
    const std::vector<DeflatedEntry> entries = bench::EntriesOfMethod(archive, 8);
    size_t output_bytes = 0, largest = 0, compressed = 0;
    bool encrypted = false;
    for (const DeflatedEntry& entry : entries) {
        output_bytes += entry.uncompressed;
        compressed += entry.compressed;
        largest = std::max<size_t>({largest, entry.uncompressed, entry.compressed});
        encrypted = encrypted || (entry.flags & 1) != 0;
    }
    std::printf("\n%s: %zu deflated entries, %zu bytes out of %zu%s\n", path.c_str(), entries.size(), output_bytes,
                compressed, encrypted ? ", encrypted" : "");
    if (entries.empty()) return;
    auto context = std::make_unique<unzip::TUnZipContext>();
    Bytes scratch(largest), output(largest);
    const int our_failures = OurArchive(archive, entries, password, *context);
    const int zlib_failures = ZlibArchive(archive, entries, password, scratch, output);
    std::printf("entries failing their CRC: ours %d, zlib %d\n", our_failures, zlib_failures);
    std::vector<std::function<void()>> works = {[&] { OurArchive(archive, entries, password, *context); },
                                                [&] { ZlibArchive(archive, entries, password, scratch, output); }};
    if (encrypted)
        works.push_back([&] {
            for (const DeflatedEntry& entry : entries) {
                std::memcpy(scratch.data(), archive.data() + entry.data, entry.compressed);
                PlainDecrypt(password, scratch.data(), entry.compressed);
            }
        });
    const std::vector<double> rates = MeasureInterleaved(works, std::vector<size_t>(works.size(), output_bytes));
    std::printf("medians of %d interleaved rounds, MB/s of output over processor time\n", g_rounds);
    std::printf("ours, the entry path:                     %8.1f MB/s\n", rates[0]);
    std::printf("%-41s %8.1f MB/s   ratio ours/zlib %.2f\n",
                encrypted ? "zlib inflate + crc32 after decryption:" : "zlib inflate + crc32:", rates[1], rates[0] / rates[1]);
    if (encrypted)
        std::printf("plain decryption alone (the ceiling):     %8.1f MB/s   ours at %.0f %% of it\n", rates[2],
                    100.0 * rates[0] / rates[2]);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> archives;
    std::string password;
    std::vector<char*> rest;
    for (int index = 0; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.rfind("--archive=", 0) == 0) archives.push_back(argument.substr(10));
        else if (argument.rfind("--password=", 0) == 0) password = argument.substr(11);
        else if (argument == "--once") g_rounds = 1;
        else rest.push_back(argv[index]);
    }
    int rest_count = static_cast<int>(rest.size());
    benchmark::Initialize(&rest_count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(rest_count, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (archives.empty()) PrintSummary();
    for (const std::string& archive : archives) PrintArchiveSummary(archive, password);
    return 0;
}

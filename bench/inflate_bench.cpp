// Throughput of the decoders' hot paths beside zlib on the same data: inflate, CRC-32 and
// the traditional decryption. The corpus is generated here, deterministically: text-like,
// structured, binary and incompressible stretches, about 12 MB, deflated raw by zlib at
// level 6. Our inflate runs the whole way an entry goes (InBuf refills, the window, OutBuf,
// CRC-32, the size guard) into an output stream that discards; zlib's inflate only
// decompresses into memory. After the runs the program prints MB/s and the ratios.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "unzip/crc32.h"
#include "unzip/unzip_context.h"
#include "zip/stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

class ReadStream : public zip::TStream {
public:
    explicit ReadStream(const Bytes& bytes) : bytes_(bytes) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - position_);
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        position_ = origin == 0 ? offset : origin == 1 ? position_ + offset : static_cast<int64_t>(bytes_.size()) + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    const Bytes& bytes_;
    int64_t position_ = 0;
};

// Counts what is written and throws it away.
class NullStream : public zip::TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        position_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        position_ = origin == 0 ? offset : position_ + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    int64_t position_ = 0;
};

void Record(benchmark::State& state, size_t bytes_per_iteration) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes_per_iteration));
}

// The best of a few runs, in MB/s of processor time (the machine may be shared), for the
// summary.
template <typename Work>
double MeasureBest(Work work, size_t bytes) {
    double best = 0;
    for (int run = 0; run < 7; ++run) {
        const std::clock_t start = std::clock();
        work();
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        if (seconds > 0) best = std::max(best, static_cast<double>(bytes) / seconds / 1e6);
    }
    return best;
}

uint32_t OurInflate(const Corpus& corpus, unzip::TUnZipContext& context) {
    ReadStream archive(corpus.deflated);
    NullStream output;
    context.ArchiveStream = &archive;
    context.OutFile = &output;
    context.CurrentEntry.CompressedSize = static_cast<int32_t>(corpus.deflated.size());
    context.CurrentEntry.UncompressedSize = static_cast<int32_t>(corpus.plain.size());
    context.BytesLeft = context.CurrentEntry.CompressedSize;
    context.EntrySize = context.CurrentEntry.UncompressedSize;
    context.InCount = 0;
    context.OutCount = 0;
    context.write_position = context.OutBuf;
    context.EntryWritten = 0;
    context.RunningCrc = 0xFFFFFFFF;
    unzip::Inflate(context);
    return ~context.RunningCrc;
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
    const double ours = MeasureBest([&] { OurInflate(corpus, *context); }, size);
    const double theirs = MeasureBest([&] { ZlibInflate(corpus, output); }, size);
    // What an extractor built on zlib does per entry: inflate, then the CRC of the output.
    const double theirs_with_crc = MeasureBest([&] {
        ZlibInflate(corpus, output);
        benchmark::DoNotOptimize(crc32(0, output.data(), static_cast<uInt>(size)));
    }, size);
    const double crc_ours = MeasureBest([&] { benchmark::DoNotOptimize(unzip::Crc32Update(0xFFFFFFFFu, corpus.plain.data(), size)); }, size);
    const double crc_theirs = MeasureBest([&] { benchmark::DoNotOptimize(crc32(0, corpus.plain.data(), static_cast<uInt>(size))); }, size);
    Bytes buffer(corpus.deflated);
    const double decrypt = MeasureBest([&] {
        unzip::InitKeys(*context, "password");
        unzip::DecryptBuffer(*context, buffer.data(), static_cast<uint32_t>(buffer.size()));
    }, buffer.size());
    std::printf("\ncorpus: %zu bytes, deflated (zlib level 6, raw): %zu bytes; results identical: %s\n", size,
                corpus.deflated.size(), same_crc ? "yes" : "NO");
    std::printf("inflate (ours, with CRC and output path): %8.1f MB/s\n", ours);
    std::printf("inflate (zlib, into memory):              %8.1f MB/s   ratio ours/zlib %.2f\n", theirs, ours / theirs);
    std::printf("inflate + crc32 (zlib):                   %8.1f MB/s   ratio ours/zlib %.2f\n", theirs_with_crc,
                ours / theirs_with_crc);
    std::printf("crc-32 (ours):                            %8.1f MB/s\n", crc_ours);
    std::printf("crc-32 (zlib):                            %8.1f MB/s   ratio ours/zlib %.2f\n", crc_theirs, crc_ours / crc_theirs);
    std::printf("decryption (ours):                        %8.1f MB/s\n", decrypt);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}

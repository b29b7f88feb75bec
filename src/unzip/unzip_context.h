#pragma once
// The decoding context shared by every decoder: fixed input, output and window buffers,
// the bit buffers, the CRC-32 and key registers, and the hooks through which the layer
// reaches the extraction component above it (progress events, the next volume, message
// processing). One context lives for one UnZip run and is reused for every entry.

#include <cstdint>
#include <functional>
#include <string>

#include "zip/stream.h"
#include "zip/zip_header_info.h"

namespace unzip {

// Inflate's linear area: the window before the current one, then room for eight more
// windows (each full one leaves for the output where it stands and the next is decoded right
// after it, so the history only moves down once every eight windows), and slack for the
// overrun of its block moves. Deflate64's windows are twice as large: the previous one, the
// current one and room for one more. The other decoders use the start of it.
constexpr int kWindowBytes = 9 * 32768 + 320;
constexpr int kIoBufferBytes = 16001;
constexpr int kIoBufferLimit = 16000;   // fill and flush limit of InBuf and OutBuf

// What the context asks of the extraction component. An empty function is an unassigned
// event or a facility the caller does not offer.
struct ComponentHooks {
    // Lets pending window messages run; called at each refill of InBuf when set.
    std::function<void()> process_messages;
    // Opens volume number (counted from 1) and returns it as the new archive stream.
    std::function<zip::TStream*(int volume_number)> load_volume;
    std::function<void(int percent)> file_percent_done;
    std::function<void(int percent)> total_percent_done;
};

struct TUnZipContext {
    // Work area of the decoders: the sliding window of inflate (see inflate.cpp) and explode,
    // the window and follower sets of unreduce, the tables and stack of unshrink.
    // Zeroed once for the run, so that a damaged stream reaching before its first byte reads
    // zeros rather than undefined memory.
    uint8_t Window[kWindowBytes] = {};
    uint8_t InBuf[kIoBufferBytes] = {};
    uint8_t* read_position = InBuf;
    uint16_t InCount = 0;
    // Decryption on demand: when a decoder sets decrypt_on_demand, a refill of an encrypted
    // entry leaves InBuf as it came, and the bytes from plain_end on are decrypted as they
    // are needed (ReadByte does it by itself), so that the decoder's work and the decryption,
    // one long chain of dependent steps per byte, can run side by side. Bytes before
    // plain_end are plain.
    bool decrypt_on_demand = false;
    uint8_t* plain_end = InBuf;
    uint8_t OutBuf[kIoBufferBytes] = {};
    uint8_t* write_position = OutBuf;
    uint16_t OutCount = 0;
    // Sizes are 64 bits wide, as ZIP64 archives have them. BytesLeft is signed so that it can
    // count the bytes asked for past the end of the data.
    int64_t BytesLeft = 0;     // compressed bytes ReadByte has not yet delivered; may go negative
    uint64_t EntrySize = 0;    // the entry's UncompressedSize
    uint64_t EntryWritten = 0; // bytes of this entry written to OutFile
    uint32_t BitBuf = 0;       // shared bit buffer of unshrink and unreduce, LSB first
    uint16_t BitCount = 0;
    bool AtEnd = false;        // set by FillBitBuffer when it found no byte at all
    zip::TStream* OutFile = nullptr;
    int32_t FilesExtracted = 0;
    bool RetryEntry = false;

    // Component state the layer works on.
    uint32_t RunningCrc = 0xFFFFFFFF;
    uint32_t Key0 = 0;
    uint32_t Key1 = 0;
    uint32_t Key2 = 0;
    zip::TStream* ArchiveStream = nullptr;
    int32_t CurrentDisk = 0;        // volume of ArchiveStream, counted from 0
    bool MultiVolume = false;       // the end record's ThisDiskNumber is above 0
    zip::TZipHeaderInfo CurrentEntry;  // its CompressedSize counts the bytes not yet read
    int64_t TotalBytes = 0;
    int64_t TotalBytesDone = 0;
    bool DoProcessMessages = true;
    ComponentHooks hooks;
};

// Result of ReadByte: a byte was delivered, or the entry's data is exhausted.
constexpr int kByteRead = 8;
constexpr int kNoByte = 0;

// Refills InBuf with the next min(CompressedSize, 16000) bytes of the entry (letting window
// messages run first when DoProcessMessages), decrypting them when the entry is encrypted
// and continuing into the next volume of a spanned archive. Returns the new InCount. Raises
// EFatalUnzipError "Premature end of file reached" when the archive ends first. ReadByte
// calls it when InBuf is empty; a decoder that takes bytes from InBuf itself must call it
// at exactly the same moments.
int RefillInput(TUnZipContext& context);

// Bytes a decoder may ask for past the end of the entry's data. Well-formed data needs no
// more than the few bytes of look-ahead of a table walk or a bit-buffer refill; a decoder still
// reading beyond this is decoding damaged data, and stops rather than writing whatever zero
// bits decode to until the entry's claimed size (up to 2 GB) is reached.
constexpr int64_t kInputOverrunLimit = 8;
inline bool InputOverrun(const TUnZipContext& context) { return context.BytesLeft < -kInputOverrunLimit; }

// Next decrypted compressed byte of the entry. Raises EFatalUnzipError "Premature end of
// file reached" when a single-volume archive ends inside the entry.
int ReadByte(TUnZipContext& context, uint8_t& value);
// Tops up BitBuf to 25..32 bits unless the data runs out (AtEnd tells a refill that found nothing).
void FillBitBuffer(TUnZipContext& context);
// The next n (0..16) bits of BitBuf; missing bits past the end read as 0.
uint16_t ReadBits(TUnZipContext& context, int n);
// ReadBits without the call when BitBuf already holds the bits (the hot path of unshrink
// and unreduce).
inline int TakeBits(TUnZipContext& context, int n) {
    if (n >= context.BitCount) return ReadBits(context, n);
    const int value = static_cast<int>(context.BitBuf & ((1u << n) - 1u));
    context.BitBuf >>= n;
    context.BitCount = static_cast<uint16_t>(context.BitCount - n);
    return value;
}

// The same for a decoder's own bit buffer.
void EnsureBits(TUnZipContext& context, int n, uint32_t& bits, uint16_t& count);
void DropBits(int n, uint32_t& bits, uint16_t& count);

// Appends one decoded byte to OutBuf, flushing at 16000.
void PutByte(TUnZipContext& context, uint8_t value);
// Moves the first n bytes of Window into OutBuf, flushing whenever it fills.
void FlushWindow(TUnZipContext& context, uint32_t n);
// Writes OutBuf to OutFile with the size guard (EBiggerThanUncompressed "File is larger than
// uncompressed size!"), the CRC-32 and the progress events.
void FlushOutput(TUnZipContext& context);
// The same for n bytes held elsewhere (inflate writes its window where it stands).
void WriteOutput(TUnZipContext& context, const uint8_t* data, uint32_t n);

// Traditional ZIP decryption on the context's key registers.
void InitKeys(TUnZipContext& context, const std::string& password);
void UpdateKeys(TUnZipContext& context, uint8_t value);
uint8_t DecryptByte(const TUnZipContext& context);
void DecryptBuffer(TUnZipContext& context, uint8_t* buffer, uint32_t n);
// Decrypts InBuf from plain_end up to end (no further than the bytes InBuf holds).
void DecryptInputTo(TUnZipContext& context, const uint8_t* end);
// Reads the 12-byte encryption header straight from stream, lowers CurrentEntry's
// CompressedSize by 12 (to 0 when it is smaller), sets up the keys and returns the 12th decrypted byte.
uint8_t CheckPassword(TUnZipContext& context, const std::string& password, zip::TStream& stream);

// CRC-32 of the ZIP application note (reflected EDB88320).
uint32_t Crc32Update(uint32_t crc_register, const uint8_t* buffer, size_t n);
void UpdateCrc(TUnZipContext& context, const uint8_t* buffer, uint32_t n);

// The decoders, one per method; each ends with a final FlushOutput when it completes.
void CopyStored(TUnZipContext& context);            // method 0
void UnShrink(TUnZipContext& context);              // method 1
void UnReduce(TUnZipContext& context, int factor);  // methods 2..5, factor = method - 1
void Explode(TUnZipContext& context);               // method 6
void Inflate(TUnZipContext& context);               // method 8
void Inflate64(TUnZipContext& context);             // method 9, Deflate64

}  // namespace unzip

#pragma once
// UnZipEntry: one archive entry becomes one output file. It positions the archive on the
// entry's data, checks the password of an encrypted entry (with retries through the
// component's OnBadPassword), runs the decoder of the entry's method and compares the CRC-32
// of what was written with the stored one. What happens around the decoding (where the file
// goes, whether an existing file is replaced, the events) belongs to the component, which
// answers through EntryHost.

#include <cstdint>
#include <memory>
#include <string>

#include "unzip/unzip_context.h"
#include "zip/stream.h"
#include "zip/zip_header_info.h"

namespace unzip {

// Why an entry was given up (the component's TSkipReason).
enum TSkipReason { srBadPassword, srNoOverwrite, srFileOpenError, srUnsafePath };

// The component's side of the decoding of one entry.
class EntryHost {
public:
    virtual ~EntryHost() = default;

    // The list entry at index (the component's sorted view).
    virtual const zip::TZipHeaderInfo& EntryAt(int file_index) = 0;
    // True when the archive spans volumes.
    virtual bool IsMultiVolume() = 0;
    // Opens volume number (counted from 1); it becomes the archive stream.
    virtual zip::TStream* LoadVolumeStream(int volume_number) = 0;

    // Composes the output directory of entry (with a trailing backslash) and creates it when
    // needed. false when the stored name would place anything outside the destination: the
    // entry is then skipped as unsafe.
    virtual bool ComposeDirectory(const zip::TZipHeaderInfo& entry, std::string& directory) = 0;
    // A directory entry has been reached (fires OnStartUnZip when directories are recreated).
    virtual void DirectoryEntryReached(int file_index, const std::string& directory) = 0;
    // Decides whether output_path may be written; it may change output_path. false: the
    // entry is skipped (the host has already reported it).
    virtual bool DecideOverwrite(int file_index, const zip::TZipHeaderInfo& entry, std::string& output_path) = 0;
    // Creates the output file (replacing an existing one); nullptr when it cannot be created
    // and the host wants the entry skipped rather than the run ended.
    virtual std::unique_ptr<zip::TStream> CreateOutputFile(const std::string& output_path) = 0;
    // OnStartUnZip; returns the handler's Skip.
    virtual bool StartUnZip(int file_index, const std::string& output_path) = 0;
    // Applies attributes and date to the closed output file; failures are ignored.
    virtual void ApplyAttributesAndDate(const zip::TZipHeaderInfo& entry, const std::string& output_path) = 0;
    virtual void EndUnZip(int file_index, const std::string& output_path) = 0;
    virtual void SkippingFile(TSkipReason reason, const std::string& name, int file_index) = 0;
    // OnBadPassword with new_password preset to the current password; true when a handler
    // is assigned.
    virtual bool BadPassword(int file_index, std::string& new_password) = 0;
    virtual void BadCrc(uint32_t calculated_crc, uint32_t stored_crc, int file_index) = 0;
    // The entry contradicts its own records; its output (if any) is deleted afterwards.
    virtual void EntryDamaged(zip::TEntryDamage damage, int file_index) = 0;
    // The "Unknown Compression Method" box.
    virtual void UnknownCompressionMethod(int method) = 0;
    // Deletes a rejected output file.
    virtual void DeleteOutputFile(const std::string& output_path) = 0;

    // The password in force (OnBadPassword may replace it).
    virtual std::string& CurrentPassword() = 0;
};

// Extracts the entry at file_index (see the file comment). Returns normally for every
// outcome that is not an error: the outcome shows in the output file, context.FilesExtracted
// (lowered for a skipped or rejected entry), context.RetryEntry (a new password was given:
// run the same entry again) and the host's events. EFatalUnzipError, volume and file errors
// pass out after the output file is closed.
void UnZipEntry(TUnZipContext& context, EntryHost& host, int file_index);

}  // namespace unzip

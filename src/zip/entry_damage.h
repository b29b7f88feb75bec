#pragma once
// The ways one entry can contradict its own records, found while the catalogue is read or
// just before the entry is decoded. Each fails the entry as damaged, with its own fixed text,
// the way a CRC error does; the other entries go on.

#include <string>

namespace zip {

enum class TEntryDamage {
    None,
    LocalSignature,      // no local header where the central directory says
    LocalMismatch,       // the local header's method, flags, name, CRC or sizes differ
    ExtraField,          // an extra-field record runs past the header's extra field
    StoredSizes,         // a stored entry whose compressed and uncompressed sizes differ
    LongerThanDeclared,  // the decoded data runs past the declared uncompressed size
    ShorterThanDeclared, // the decoded data ends before the declared uncompressed size
    Overlap,             // the entry's bytes run into another entry (a zip-bomb shape)
    NewerVersion,        // the version needed to extract is above 6.3, the highest defined
    DirectoryWithData,   // marked a directory by its attributes, yet holding data
};

// The fixed English text of a damage ("" for None).
std::string EntryDamageText(TEntryDamage damage);

}  // namespace zip

#include "zip/entry_damage.h"

namespace zip {

std::string EntryDamageText(TEntryDamage damage) {
    switch (damage) {
        case TEntryDamage::None: return "";
        case TEntryDamage::LocalSignature: return "bad zipfile offset (local header signature)";
        case TEntryDamage::LocalMismatch: return "local header differs from the central directory";
        case TEntryDamage::ExtraField: return "extra field runs past its header";
        case TEntryDamage::StoredSizes: return "compressed and uncompressed sizes differ for a stored entry";
        case TEntryDamage::LongerThanDeclared: return "data longer than its declared size";
        case TEntryDamage::ShorterThanDeclared: return "data shorter than its declared size";
        case TEntryDamage::Overlap: return "invalid zip file with overlapped components (possible zip bomb)";
        case TEntryDamage::NewerVersion: return "needs a version to extract above 6.3, which is not supported";
        case TEntryDamage::DirectoryWithData: return "marked as a directory but holds data";
    }
    return "damaged";
}

}  // namespace zip

#include "zip/stream.h"

namespace zip {

int64_t TStream::GetSize() {
    const int64_t position = Seek(0, 1);
    const int64_t size = Seek(0, 2);
    Seek(position, 0);
    return size;
}

}  // namespace zip

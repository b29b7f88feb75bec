#pragma once
// The exception classes of the ZIP layer. Each carries a fixed English text.

#include <stdexcept>
#include <string>

namespace zip {

// Base of every exception the ZIP layer raises (the plain "Exception" of the texts).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EStreamError : public Exception { using Exception::Exception; };
class EListError : public Exception { using Exception::Exception; };
class EClassNotFound : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EFileError : public Exception { using Exception::Exception; };  // a file cannot be opened or created
class EBadZipFile : public Exception { using Exception::Exception; };  // "Not a valid zip file!"
class EIncompleteZip : public Exception { using Exception::Exception; };  // "Incomplete Zip File"
class EFatalUnzipError : public Exception { using Exception::Exception; };  // "Premature end of file reached"
class EBiggerThanUncompressed : public Exception { using Exception::Exception; };  // "File is larger than uncompressed size!"
class EUserCanceled : public Exception { using Exception::Exception; };  // "User canceled loading new disk."
class EInvalidOperation : public Exception { using Exception::Exception; };

}  // namespace zip

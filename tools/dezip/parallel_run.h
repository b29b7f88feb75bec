#pragma once
// dezip -j: the selected entries of one archive shared among several threads, each with its
// own component (and so its own archive handle and decoding context). An entry goes to the
// first thread that reaches it; its messages are kept and printed in entry order, and a file
// it replaces is kept aside until then, so the output and the files are those of one thread.

#include <functional>

#include "report.h"
#include "zip/zip_extractor.h"

namespace dezip {

// Prepares a component for the run: options, events reporting into report; selected gets
// the number of selected entries when the run starts.
using Configure = std::function<void(zip::TZipExtractor& extractor, Report& report, int& selected)>;

struct ParallelResult {
    int selected = 0;
    int extracted = 0;
    bool problems = false;
    int kept = 0;
    int exit_code = 0;  // the highest a thread's report asked for
};

// Runs the component on threads components, prepared by configure. An exception that ends
// one thread's run is raised here once the messages of the entries before it are printed;
// later entries are no longer started, and those already started are taken back.
ParallelResult RunInParallel(int threads, const Configure& configure);

}  // namespace dezip

// Inputs named twice: the same file given twice, or given besides a folder
// that holds it (with -r, at any depth), however the paths are spelt ("A"
// and "./A/x.bin"; links are not followed). A run takes each file once.
#ifndef XBTCONV_PIPELINE_INPUTS_REPEATED_INPUTS_H_
#define XBTCONV_PIPELINE_INPUTS_REPEATED_INPUTS_H_

#include <string>
#include <vector>

#include "pipeline/inputs/input_files.h"

namespace xbtconv {

/// Whether `input` was met already through an earlier PATH of `paths`. It
/// keeps nothing from input to input, as a run over millions cannot.
bool metThroughEarlierPath(const InputFile& input, const std::vector<std::string>& paths,
                           bool recursive);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_REPEATED_INPUTS_H_

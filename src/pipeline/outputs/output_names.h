// The names of a run's outputs: where each input's output goes, beside the
// input or in an output folder (with the input's subfolder of a recursive
// scan mirrored under it), and its file name (NAME.json for NAME.bin).
#ifndef XBTCONV_PIPELINE_OUTPUTS_OUTPUT_NAMES_H_
#define XBTCONV_PIPELINE_OUTPUTS_OUTPUT_NAMES_H_

#include <string>

#include "pipeline/inputs/input_files.h"

namespace xbtconv {

/// The folder `input`'s outputs go to: beside it, or under `outputFolder`
/// with the input's subfolder (of a recursive scan) mirrored.
std::string outputFolderOf(const InputFile& input, const std::string& outputFolder);

/// `name` without its ".bin" extension (any case), then `extension`:
/// "A1.bin" and ".json" give "A1.json".
std::string outputName(const std::string& name, const std::string& extension);

/// `directory` and `name` joined, or `name` alone for an empty directory.
std::string outputPath(const std::string& directory, const std::string& name);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_OUTPUT_NAMES_H_

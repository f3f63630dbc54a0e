// The library's reading calls, on the same reader, listing and loading as
// the commands.
#include "xbtconv/reading.h"

#include <filesystem>
#include <utility>

#include "pipeline/input_files.h"
#include "pipeline/message_reader.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// One reader per thread, kept from call to call: building its messages
// costs more than reading most files.
MessageReader& threadReader() {
  thread_local MessageReader reader;
  return reader;
}

ReadResult resultOf(MessageReader& reader, std::string source, const ReadOptions& options) {
  ReadResult result;
  result.reason = reader.reason();
  switch (reader.status()) {
    case ReadStatus::kDecoded:
      result.status = ReadResult::Status::kRead;
      break;
    case ReadStatus::kCutShort:
      result.status = ReadResult::Status::kCutShort;
      break;
    case ReadStatus::kNotLoaded: {
      const LoadFailure failure = reader.loadFailure();
      result.status = failure == LoadFailure::kNotAMessage || failure == LoadFailure::kTooShort
                          ? ReadResult::Status::kNotAMessage
                          : ReadResult::Status::kUnreadable;
      return result;
    }
  }
  Observation observation = reader.observation(std::move(source), options.sampleRateHz);
  if (options.qualityControl)
    runQualityControl(observation, options.now.value_or(currentUtcSeconds()));
  result.observation = std::move(observation);
  return result;
}

}  // namespace

ReadResult readMessageFile(const std::string& path, const ReadOptions& options) {
  MessageReader& reader = threadReader();
  reader.readFile(path);
  ReadResult result = resultOf(reader, std::filesystem::path(path).filename().string(), options);
  if (result.observation) result.observation->path = path;
  return result;
}

ReadResult readMessage(const std::uint8_t* bytes, std::size_t size, std::string source,
                       const ReadOptions& options) {
  MessageReader& reader = threadReader();
  reader.readBytes(bytes, size);
  return resultOf(reader, std::move(source), options);
}

std::vector<MessageFileEntry> listMessageFiles(const std::string& path, bool recursive) {
  std::vector<MessageFileEntry> entries;
  forEachInputFile(
      {path}, recursive,
      [&entries](const InputFile& input) {
        entries.push_back({input.path, ""});
        return true;
      },
      [&entries](const std::string& folder, const std::string& reason) {
        entries.push_back({folder, reason});
      });
  return entries;
}

}  // namespace xbtconv

// The library's reading calls, on the same reader, read step and listing as
// the commands.
#include "xbtconv/reading.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "pipeline/inputs/input_files.h"
#include "pipeline/inputs/observation_reading.h"
#include "profile/utc_time.h"

namespace xbtconv {
namespace {

// One reader per thread, kept from call to call: building its messages
// costs more than reading most files.
MessageReader& threadReader() {
  thread_local MessageReader reader;
  return reader;
}

Status rateProblem(std::string_view text) {
  return {
      Status::Code::kInvalidArgument,
      "a sampling rate is a number of samples per second above 0, not '" + std::string(text) + "'"};
}

// The options as the read step takes them; none, with the reason, when
// they cannot be.
std::optional<ObservationOptions> observationOptions(const ReadOptions& options, Status& status) {
  status = checkSampleRate(options.sampleRateHz);
  if (!status.ok()) return std::nullopt;
  return ObservationOptions{options.sampleRateHz, options.qualityControl,
                            options.now.value_or(currentUtcSeconds())};
}

ReadResult resultOf(MessageReader& reader, ObservationRead&& read) {
  ReadResult result;
  switch (read.status) {
    case ReadStatus::kDecoded:
      break;
    case ReadStatus::kCutShort:
      result.status = {Status::Code::kCutShort, std::move(read.reason)};
      break;
    case ReadStatus::kNotLoaded: {
      const LoadFailure failure = reader.loadFailure();
      result.status = {failure == LoadFailure::kNotAMessage || failure == LoadFailure::kTooShort
                           ? Status::Code::kNotAMessage
                           : Status::Code::kUnreadable,
                       std::move(read.reason), reader.loadError()};
      break;
    }
  }
  result.observation = std::move(read.observation);
  return result;
}

}  // namespace

ReadResult readMessageFile(const std::string& path, const ReadOptions& options) {
  ReadResult result;
  const std::optional<ObservationOptions> made = observationOptions(options, result.status);
  if (!made) return result;
  MessageReader& reader = threadReader();
  return resultOf(reader, readObservation(reader, FileToLoad{nullptr, {}, path},
                                          std::filesystem::path(path).filename().string(), *made));
}

ReadResult readMessage(const std::uint8_t* bytes, std::size_t size, std::string source,
                       const ReadOptions& options) {
  ReadResult result;
  const std::optional<ObservationOptions> made = observationOptions(options, result.status);
  if (!made) return result;
  MessageReader& reader = threadReader();
  return resultOf(reader, readObservation(reader, bytes, size, std::move(source), *made));
}

std::vector<MessageFileEntry> listMessageFiles(const std::string& path, bool recursive) {
  std::vector<MessageFileEntry> entries;
  forEachInputFile(
      {path}, recursive,
      [&entries](const InputFile& input) {
        entries.push_back({input.path, {}});
        return true;
      },
      [&entries](const std::string& folder, const std::string& reason) {
        entries.push_back({folder, {Status::Code::kUnreadable, reason}});
      });
  return entries;
}

Status checkSampleRate(double rate) {
  if (std::isfinite(rate) && rate > 0) return {};
  char text[32];
  auto* const end = std::to_chars(text, text + sizeof text, rate).ptr;
  return rateProblem(std::string_view(text, static_cast<std::size_t>(end - text)));
}

Status parseSampleRate(std::string_view text, double& rate) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value) || value <= 0) {
    return rateProblem(text);
  }
  rate = value;
  return {};
}

std::optional<std::int64_t> parseTime(std::string_view text) { return parseIsoTime(text); }

std::string timeText(std::int64_t seconds) { return isoTime(seconds); }

std::int64_t systemTime() { return currentUtcSeconds(); }

}  // namespace xbtconv

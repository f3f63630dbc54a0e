// ReportText: the text of a report under construction. A report is
// assembled from a hundred or so short pieces (labels, numbers, line
// breaks) and a few long ones; each is copied in place here, inline,
// where a std::string would call into the library for it.
#ifndef XBTCONV_REPORT_REPORT_TEXT_H_
#define XBTCONV_REPORT_REPORT_TEXT_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace xbtconv {

class ReportText {
 public:
  ReportText() = default;
  ReportText(const ReportText&) = delete;
  ReportText& operator=(const ReportText&) = delete;

  /// Makes room for `count` characters in all, so that appending up to
  /// that many allocates nothing.
  void reserve(std::size_t count) {
    if (count > capacity_) reallocate(count);
  }

  void append(const char* text, std::size_t count) {
    if (count == 0) return;
    makeRoom(count);
    std::memcpy(data_.get() + size_, text, count);
    size_ += count;
  }
  void append(std::string_view text) { append(text.data(), text.size()); }
  /// Appends `count` copies of `character`.
  void append(std::size_t count, char character) {
    if (count == 0) return;
    makeRoom(count);
    std::memset(data_.get() + size_, character, count);
    size_ += count;
  }
  void push_back(char character) {
    makeRoom(1);
    data_[size_++] = character;
  }
  ReportText& operator+=(std::string_view text) {
    append(text);
    return *this;
  }
  ReportText& operator+=(char character) {
    push_back(character);
    return *this;
  }

  /// Room for `count` more characters at the end, to be written in place
  /// and then taken into the text with extendTo.
  char* room(std::size_t count) {
    makeRoom(count);
    return data_.get() + size_;
  }
  /// Takes the characters written at room() up to `end` into the text.
  /// REQUIRES: `end` lies within the room last asked for.
  void extendTo(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_.get(), size_}; }
  std::string str() const { return std::string(view()); }
  /// Empties the text, keeping its room.
  void clear() { size_ = 0; }

 private:
  void makeRoom(std::size_t count) {
    if (capacity_ - size_ < count) reallocate(size_ + count);
  }
  // Grows the room to at least `count` characters, keeping the text.
  void reallocate(std::size_t count);

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_REPORT_REPORT_TEXT_H_

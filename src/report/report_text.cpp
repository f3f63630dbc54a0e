#include "report/report_text.h"

#include <algorithm>

namespace xbtconv {

void ReportText::reallocate(std::size_t count) {
  // At least doubling, so that a long text costs few copies.
  const std::size_t capacity = std::max(count, 2 * capacity_);
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

}  // namespace xbtconv

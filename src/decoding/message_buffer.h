// MessageBuffer: the whole content of one input file. The driver owns the
// bytes for the time one file is converted; decoders only read them and
// keep no pointer into them once they return.
#ifndef XBTCONV_DECODING_MESSAGE_BUFFER_H_
#define XBTCONV_DECODING_MESSAGE_BUFFER_H_

#include <cstdint>

namespace xbtconv {

struct MessageBuffer {
  std::int32_t byteCount = 0;
  const std::uint8_t* bytes = nullptr;
};

}  // namespace xbtconv

#endif  // XBTCONV_DECODING_MESSAGE_BUFFER_H_

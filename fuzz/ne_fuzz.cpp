// Any bytes as an NE icon library, its NE header where the input's "MZ" header says.
#include <cstddef>
#include <cstdint>

#include "icon_fuzz_common.h"
#include "platform/posix/ne_reader.h"

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const posix::MemorySource source({data, size});
  if (const auto container = posix::ReadNeContainer(source, zendrel::fuzz::NewHeaderOffset(source)))
    zendrel::fuzz::ExtractEveryIcon(*container, source);
  return 0;
}

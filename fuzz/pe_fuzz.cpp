// Any bytes as a PE file, its "PE" header where the input's "MZ" header says.
#include <cstddef>
#include <cstdint>

#include "icon_fuzz_common.h"
#include "platform/posix/pe_reader.h"

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const posix::MemorySource source({data, size});
  if (const auto container = posix::ReadPeContainer(source, zendrel::fuzz::NewHeaderOffset(source)))
    zendrel::fuzz::ExtractEveryIcon(*container, source);
  return 0;
}

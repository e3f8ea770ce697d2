#include "support/icon_fixtures.h"

namespace zendrel::test {

namespace {

void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void Set16(std::string& out, std::size_t at, unsigned value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// The corner that the mask makes transparent: a quarter of the side.
bool InCorner(int size, int x, int y) { return x < size / 4 && y < size / 4; }

// A DIB with its AND mask, as icons store it: height doubled, rows bottom up.
std::string MakeDib(const IconImage& image) {
  const int n = image.size;
  std::string dib;
  Put32(dib, 40);
  Put32(dib, static_cast<std::uint32_t>(n));
  Put32(dib, static_cast<std::uint32_t>(2 * n));
  Put16(dib, 1);
  Put16(dib, static_cast<unsigned>(image.bitCount));
  for (int i = 0; i < 6; ++i) Put32(dib, 0);
  const int colourStride = (n * image.bitCount / 8 + 3) / 4 * 4;
  for (int y = n - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < n; ++x) {
      const bool clear = InCorner(n, x, y);
      const std::uint32_t c = clear ? 0 : image.colour;
      row += static_cast<char>(c & 0xFF);
      row += static_cast<char>((c >> 8) & 0xFF);
      row += static_cast<char>((c >> 16) & 0xFF);
      if (image.bitCount == 32) row += static_cast<char>(c >> 24);
    }
    row.resize(static_cast<std::size_t>(colourStride), '\0');
    dib += row;
  }
  const int maskStride = (n + 31) / 32 * 4;
  for (int y = n - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskStride), '\0');
    for (int x = 0; x < n; ++x) {
      if (InCorner(n, x, y))
        row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    dib += row;
  }
  return dib;
}

// The 6-byte directory header and the fields every directory entry shares.
void PutEntryStart(std::string& out, const IconImage& image, std::size_t bytes) {
  out += static_cast<char>(image.size >= 256 ? 0 : image.size);
  out += static_cast<char>(image.size >= 256 ? 0 : image.size);
  out += '\0';  // colour count
  out += '\0';  // reserved
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(image.bitCount));
  Put32(out, static_cast<std::uint32_t>(bytes));
}

}  // namespace

std::string MakeIco(const std::vector<IconImage>& images) {
  std::string head, data;
  Put16(head, 0);
  Put16(head, 1);
  Put16(head, static_cast<unsigned>(images.size()));
  const std::size_t start = 6 + 16 * images.size();
  for (const IconImage& image : images) {
    const std::string dib = MakeDib(image);
    PutEntryStart(head, image, dib.size());
    Put32(head, static_cast<std::uint32_t>(start + data.size()));
    data += dib;
  }
  return head + data;
}

std::string MakeIcl(const std::vector<std::vector<IconImage>>& groups) {
  // Resource payloads: every image, then every group directory naming its images' ids.
  std::vector<std::string> icons, groupDirs;
  for (const auto& group : groups) {
    std::string dir;
    Put16(dir, 0);
    Put16(dir, 1);
    Put16(dir, static_cast<unsigned>(group.size()));
    for (const IconImage& image : group) {
      icons.push_back(MakeDib(image));
      PutEntryStart(dir, image, icons.back().size());
      Put16(dir, static_cast<unsigned>(icons.size()));  // ids count from 1
    }
    groupDirs.push_back(dir);
  }

  // MZ stub, NE header at 0x40, resource table right after it, names, data.
  std::string file(0x40, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Set16(file, 0x3C, 0x40);
  std::string ne(0x40, '\0');
  ne[0] = 'N';
  ne[1] = 'E';
  Set16(ne, 0x0C, 0x8000);  // a library
  ne[0x36] = 2;             // for Windows

  // Offsets are 16-bit counts of alignment units: a large library needs larger units.
  std::size_t payload = 0;
  for (const std::string& bytes : icons) payload += bytes.size() + 16;
  for (const std::string& bytes : groupDirs) payload += bytes.size() + 16;
  unsigned shift = 4;
  while (((payload + 0x10000) >> shift) >= 0xFFFF) ++shift;
  const std::size_t unit = std::size_t{1} << shift;
  std::string table;
  Put16(table, shift);
  const std::size_t tableStart = 0x40 + 0x40;
  const std::size_t tableSize = 2 + (8 + 12 * groups.size()) + (8 + 12 * icons.size()) + 2;
  const std::size_t namesSize = 2;  // the resident-name table: an empty name and its end
  std::size_t offset = (tableStart + tableSize + namesSize + unit - 1) / unit * unit;
  std::string data;
  auto place = [&](const std::string& bytes) {
    const std::size_t at = offset + data.size();
    data += bytes;
    data.resize((data.size() + unit - 1) / unit * unit, '\0');
    return std::make_pair(at >> shift, (bytes.size() + unit - 1) >> shift);
  };
  std::string iconInfos, groupInfos;
  for (std::size_t i = 0; i < icons.size(); ++i) {
    const auto [at, length] = place(icons[i]);
    Put16(iconInfos, static_cast<unsigned>(at));
    Put16(iconInfos, static_cast<unsigned>(length));
    Put16(iconInfos, 0x1C10);
    Put16(iconInfos, static_cast<unsigned>(0x8000 | (i + 1)));
    Put32(iconInfos, 0);
  }
  for (std::size_t g = 0; g < groupDirs.size(); ++g) {
    const auto [at, length] = place(groupDirs[g]);
    Put16(groupInfos, static_cast<unsigned>(at));
    Put16(groupInfos, static_cast<unsigned>(length));
    Put16(groupInfos, 0x1C10);
    Put16(groupInfos, static_cast<unsigned>(0x8000 | (g + 1)));
    Put32(groupInfos, 0);
  }
  Put16(table, 0x800E);
  Put16(table, static_cast<unsigned>(groupDirs.size()));
  Put32(table, 0);
  table += groupInfos;
  Put16(table, 0x8003);
  Put16(table, static_cast<unsigned>(icons.size()));
  Put32(table, 0);
  table += iconInfos;
  Put16(table, 0);

  Set16(ne, 0x24, 0x40);                                            // resource table
  Set16(ne, 0x26, static_cast<unsigned>(0x40 + table.size()));      // resident names
  Set16(ne, 0x28, static_cast<unsigned>(0x40 + table.size() + 2));  // module references
  Set16(ne, 0x2A, static_cast<unsigned>(0x40 + table.size() + 2));  // imported names
  Set16(ne, 0x04, static_cast<unsigned>(0x40 + table.size() + 2));  // entry table, empty
  file += ne;
  file += table;
  file += std::string(namesSize, '\0');
  file.resize(offset, '\0');
  file += data;
  return file;
}

std::uint32_t ExpectedPixel(const IconImage& image, int x, int y) {
  if (InCorner(32, x, y)) return 0;
  return image.bitCount == 32 ? image.colour : 0xFF000000 | (image.colour & 0x00FFFFFF);
}

}  // namespace zendrel::test

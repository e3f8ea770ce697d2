#include "support/icon_fixtures.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

namespace zendrel::test::icons {

namespace {

std::uint32_t Mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

std::size_t Align(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void PadTo(std::string& bytes, std::size_t size) {
  if (bytes.size() < size) bytes.resize(size, '\0');
}

std::string Le16Of(std::uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::uint32_t Crc32(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) c = table[(c ^ byte) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Chunk(const std::string& type, const std::string& data) {
  const std::string typed = type + data;
  return Be32(static_cast<std::uint32_t>(data.size())) + typed + Be32(Crc32(typed));
}

// A zlib stream of stored deflate blocks: no compression, so nothing to get wrong.
std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 0xFFFF);
    const bool last = at + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += Le16Of(static_cast<std::uint16_t>(length));
    out += Le16Of(static_cast<std::uint16_t>(~length));
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  return out + Be32(b << 16 | a);
}

}  // namespace

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, static_cast<std::uint16_t>(value));
  Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::string Le16(std::uint16_t value) {
  std::string s(2, '\0');
  Put16(s, 0, value);
  return s;
}

std::string Le32(std::uint32_t value) {
  std::string s(4, '\0');
  Put32(s, 0, value);
  return s;
}

std::vector<std::uint32_t> Colours(int count, bool fiveBits) {
  std::vector<std::uint32_t> colours;
  for (int i = 0; i < count; ++i) {
    std::uint32_t r, g, b;
    if (fiveBits) {
      auto widen = [](std::uint32_t c) { return c << 3 | c >> 2; };
      r = widen(i % 32);
      g = widen(i / 32 % 32);
      b = widen((i * 13 + 5) % 32);
    } else {
      r = (i * 97 + 31) & 0xFF;
      g = i & 0xFF;
      b = (i >> 8) * 40 + 3;
    }
    colours.push_back(0xFF000000u | r << 16 | g << 8 | b);
  }
  return colours;
}

Picture Pattern(int width, int height, const std::vector<std::uint32_t>& palette,
                std::uint32_t seed) {
  Picture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t h = Mix(static_cast<std::uint32_t>(y * 1000 + x) ^ Mix(seed));
      picture.pixels.push_back(h % 4 == 0 ? 0 : palette[h / 4 % palette.size()]);
    }
  }
  return picture;
}

std::vector<std::uint32_t> Expected(const Picture& picture) {
  std::vector<std::uint32_t> pixels = picture.pixels;
  for (std::uint32_t& p : pixels) {
    if ((p >> 24) == 0) p = 0;
  }
  return pixels;
}

std::string Dib(const Picture& picture, int bitCount, Header header, bool alphaChannel) {
  const int w = picture.width;
  const int h = picture.height;
  std::vector<std::uint32_t> palette;
  if (bitCount <= 8) {
    for (std::uint32_t p : picture.pixels) {
      if ((p >> 24) != 0 && std::find(palette.begin(), palette.end(), p) == palette.end())
        palette.push_back(p);
    }
    if (palette.size() > (1u << bitCount)) throw std::logic_error("too many colours");
  }
  std::string bytes;
  const std::size_t entries = bitCount <= 8 ? (1u << bitCount) : 0;
  if (header == Header::kCore) {
    bytes = Le32(12) + Le16(static_cast<std::uint16_t>(w)) +
            Le16(static_cast<std::uint16_t>(h * 2)) + Le16(1) +
            Le16(static_cast<std::uint16_t>(bitCount));
    for (std::size_t i = 0; i < entries; ++i) {
      const std::uint32_t c = i < palette.size() ? palette[i] : 0;
      bytes += {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16)};
    }
  } else {
    // An 8-bit palette is written only as long as it needs to be, the others in full.
    const std::size_t written = bitCount == 8 ? std::max<std::size_t>(palette.size(), 1) : entries;
    bytes = Le32(40) + Le32(w) + Le32(h * 2) + Le16(1) +
            Le16(static_cast<std::uint16_t>(bitCount)) + Le32(0) + Le32(0) + Le32(0) + Le32(0) +
            Le32(bitCount == 8 ? static_cast<std::uint32_t>(written) : 0) + Le32(0);
    for (std::size_t i = 0; i < written; ++i)
      bytes += Le32(i < palette.size() ? palette[i] & 0xFFFFFF : 0);
  }
  const std::size_t stride = Align(static_cast<std::size_t>(w) * bitCount, 32) / 8;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = picture.at(x, y);
      const bool clear = (p >> 24) == 0;
      const std::uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
      std::uint32_t index = 0;
      if (bitCount <= 8 && !clear)
        index = static_cast<std::uint32_t>(std::find(palette.begin(), palette.end(), p) -
                                           palette.begin());
      switch (bitCount) {
        case 1:
          row[x / 8] = static_cast<char>(row[x / 8] | index << (7 - x % 8));
          break;
        case 4:
          row[x / 2] = static_cast<char>(row[x / 2] | index << (x % 2 == 0 ? 4 : 0));
          break;
        case 8:
          row[x] = static_cast<char>(index);
          break;
        case 16:
          if (!clear)
            Put16(row, x * 2, static_cast<std::uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3));
          break;
        case 24:
          if (!clear)
            row.replace(x * 3, 3,
                        {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)});
          break;
        case 32:
          if (!clear)
            row.replace(x * 4, 4,
                        {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r),
                         static_cast<char>(alphaChannel ? p >> 24 : 0)});
          break;
      }
    }
    bytes += row;
  }
  const std::size_t maskStride = Align(w, 32) / 8;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (int x = 0; x < w; ++x) {
      if ((picture.at(x, y) >> 24) == 0)
        row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> (x % 8));
    }
    bytes += row;
  }
  return bytes;
}

std::string Png(const Picture& picture) {
  std::string raw;
  for (int y = 0; y < picture.height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t p = picture.at(x, y);
      raw += {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p),
              static_cast<char>(p >> 24)};
    }
  }
  const std::string signature = "\x89PNG\r\n\x1a\n";
  return signature +
         Chunk("IHDR", Be32(static_cast<std::uint32_t>(picture.width)) +
                           Be32(static_cast<std::uint32_t>(picture.height)) +
                           std::string("\x08\x06\0\0\0", 5)) +
         Chunk("IDAT", StoredZlib(raw)) + Chunk("IEND", "");
}

std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
  const std::string signature = "\x89PNG\r\n\x1a\n";
  return signature + Chunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x06\0\0\0", 5)) +
         Chunk("IEND", "");
}

Image DibImage(const Picture& picture, int bitCount) {
  return {Dib(picture, bitCount), picture.width, picture.height, bitCount};
}

Image PngImage(const Picture& picture) { return {Png(picture), picture.width, picture.height, 32}; }

namespace {

std::string EntryHead(const Image& image) {
  std::string s;
  s += static_cast<char>(image.width >= 256 ? 0 : image.width);
  s += static_cast<char>(image.height >= 256 ? 0 : image.height);
  s += std::string(2, '\0');
  return s + Le16(1) + Le16(static_cast<std::uint16_t>(image.bitCount)) +
         Le32(static_cast<std::uint32_t>(image.data.size()));
}

}  // namespace

std::string Ico(const std::vector<Image>& images) {
  std::string bytes = Le16(0) + Le16(1) + Le16(static_cast<std::uint16_t>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const Image& image : images) {
    bytes += EntryHead(image) + Le32(static_cast<std::uint32_t>(offset));
    offset += image.data.size();
  }
  for (const Image& image : images) bytes += image.data;
  return bytes;
}

std::string GroupDirectory(const std::vector<Image>& images, std::uint16_t firstId) {
  std::string bytes = Le16(0) + Le16(1) + Le16(static_cast<std::uint16_t>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i)
    bytes += EntryHead(images[i]) + Le16(static_cast<std::uint16_t>(firstId + i));
  return bytes;
}

std::vector<Resource> IconResources(const std::string& name, std::uint16_t id,
                                    const std::vector<Image>& images, std::uint16_t firstIconId,
                                    std::uint16_t language) {
  std::vector<Resource> resources{
      {kGroupIconType, name, id, language, GroupDirectory(images, firstIconId)}};
  for (std::size_t i = 0; i < images.size(); ++i) {
    resources.push_back(
        {kIconType, "", static_cast<std::uint16_t>(firstIconId + i), language, images[i].data});
  }
  return resources;
}

std::string Ne(const std::vector<Resource>& resources, int shift) {
  std::vector<std::pair<std::uint16_t, std::vector<const Resource*>>> types;
  for (const Resource& r : resources) {
    auto it =
        std::find_if(types.begin(), types.end(), [&](const auto& t) { return t.first == r.type; });
    if (it == types.end()) {
      types.push_back({r.type, {}});
      it = types.end() - 1;
    }
    it->second.push_back(&r);
  }
  // The table: shift, the type records, a 0 type, the names, a 0 length.
  std::size_t tableSize = 2 + 2 + 1;
  for (const auto& t : types) tableSize += 8 + 12 * t.second.size();
  std::string names;
  std::map<const Resource*, std::uint16_t> nameOffset;
  for (const Resource& r : resources) {
    if (r.name.empty()) continue;
    nameOffset[&r] = static_cast<std::uint16_t>(tableSize - 1 + names.size());
    names += static_cast<char>(r.name.size());
    names += r.name;
  }
  tableSize += names.size();
  const std::size_t neAt = 0x40;
  const std::size_t tableAt = neAt + 0x40;
  const std::size_t residentAt = tableAt + tableSize;
  const std::string resident = std::string("\x07") + "FIXTURE" + Le16(0) + std::string(1, '\0');
  const std::size_t entryAt = residentAt + resident.size();
  const std::size_t unit = std::size_t{1} << shift;
  std::size_t dataAt = Align(entryAt + 2, unit);

  std::string table = Le16(static_cast<std::uint16_t>(shift));
  std::string data;
  for (const auto& t : types) {
    table += Le16(t.first | 0x8000) + Le16(static_cast<std::uint16_t>(t.second.size())) + Le32(0);
    for (const Resource* r : t.second) {
      const std::uint16_t id = r->name.empty() ? (r->id | 0x8000) : nameOffset[r];
      table += Le16(static_cast<std::uint16_t>(dataAt / unit)) +
               Le16(static_cast<std::uint16_t>(Align(r->data.size(), unit) / unit)) + Le16(0x1030) +
               Le16(id) + Le32(0);
      std::string block = r->data;
      PadTo(block, Align(block.size(), unit));
      data += block;
      dataAt += block.size();
    }
  }
  table += Le16(0) + names + std::string(1, '\0');

  std::string bytes(neAt, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put32(bytes, 0x3C, neAt);
  std::string ne(0x40, '\0');
  ne[0] = 'N';
  ne[1] = 'E';
  ne[2] = 5;
  ne[3] = 10;
  Put16(ne, 0x04, static_cast<std::uint16_t>(entryAt - neAt));
  Put16(ne, 0x06, 2);
  Put16(ne, 0x0C, 0x8000);  // a library
  Put16(ne, 0x22, static_cast<std::uint16_t>(tableAt - neAt));
  Put16(ne, 0x24, static_cast<std::uint16_t>(tableAt - neAt));
  Put16(ne, 0x26, static_cast<std::uint16_t>(residentAt - neAt));
  Put16(ne, 0x28, static_cast<std::uint16_t>(entryAt - neAt));
  Put16(ne, 0x2A, static_cast<std::uint16_t>(entryAt - neAt));
  Put16(ne, 0x32, static_cast<std::uint16_t>(shift));
  ne[0x36] = 2;  // Windows
  Put16(ne, 0x3E, 0x030A);
  bytes += ne + table + resident + Le16(0);
  PadTo(bytes, Align(bytes.size(), unit));
  return bytes + data;
}

namespace {

using Key = std::pair<int, std::string>;  // (0, name) sorts before (1, id as fixed digits)

Key KeyOf(const std::string& name, std::uint16_t id) {
  if (!name.empty()) return {0, name};
  char digits[8];
  std::snprintf(digits, sizeof digits, "%05u", id);
  return {1, digits};
}

}  // namespace

std::string Pe(const std::vector<Resource>& resources, bool pe32Plus) {
  // type -> name -> language -> data, each level sorted as the format wants.
  std::map<std::uint16_t, std::map<Key, std::map<std::uint16_t, const Resource*>>> tree;
  for (const Resource& r : resources) tree[r.type][KeyOf(r.name, r.id)][r.language] = &r;

  std::size_t directories = 16 + 8 * tree.size();
  std::size_t dataEntries = 0;
  for (const auto& [type, names] : tree) {
    directories += 16 + 8 * names.size();
    for (const auto& [key, languages] : names) {
      directories += 16 + 8 * languages.size();
      dataEntries += languages.size();
    }
  }
  std::string strings;
  std::map<Key, std::uint32_t> stringAt;
  for (const auto& [type, names] : tree) {
    for (const auto& [key, languages] : names) {
      if (key.first != 0 || stringAt.count(key)) continue;
      stringAt[key] = static_cast<std::uint32_t>(directories + strings.size());
      strings += Le16(static_cast<std::uint16_t>(key.second.size()));
      for (char c : key.second) strings += Le16(static_cast<unsigned char>(c));
    }
  }
  const std::size_t entriesAt = Align(directories + strings.size(), 4);
  std::size_t dataAt = Align(entriesAt + 16 * dataEntries, 8);

  std::string dirs, entries, data;
  auto head = [](std::size_t named, std::size_t ids) {
    return Le32(0) + Le32(0) + Le32(0) + Le16(static_cast<std::uint16_t>(named)) +
           Le16(static_cast<std::uint16_t>(ids));
  };
  // Directories breadth first: the root, the type directories, the language directories.
  std::size_t nextDirectory = 16 + 8 * tree.size();
  dirs += head(0, tree.size());
  std::string typeDirs, languageDirs;
  std::size_t languageDirectory = nextDirectory;
  for (const auto& [type, names] : tree) languageDirectory += 16 + 8 * names.size();
  for (const auto& [type, names] : tree) {
    dirs += Le32(type) + Le32(0x80000000u | static_cast<std::uint32_t>(nextDirectory));
    nextDirectory += 16 + 8 * names.size();
    std::size_t named = 0;
    for (const auto& [key, languages] : names) named += key.first == 0;
    typeDirs += head(named, names.size() - named);
    for (const auto& [key, languages] : names) {
      const std::uint32_t nameField = key.first == 0
                                          ? 0x80000000u | stringAt[key]
                                          : static_cast<std::uint32_t>(std::stoi(key.second));
      typeDirs +=
          Le32(nameField) + Le32(0x80000000u | static_cast<std::uint32_t>(languageDirectory));
      languageDirectory += 16 + 8 * languages.size();
      languageDirs += head(0, languages.size());
      for (const auto& [language, resource] : languages) {
        languageDirs +=
            Le32(language) + Le32(static_cast<std::uint32_t>(entriesAt + entries.size()));
        entries += Le32(static_cast<std::uint32_t>(kResourceRva + dataAt + data.size())) +
                   Le32(static_cast<std::uint32_t>(resource->data.size())) + Le32(0) + Le32(0);
        data += resource->data;
        PadTo(data, Align(data.size(), 8));
      }
    }
  }
  std::string section = dirs + typeDirs + languageDirs + strings;
  PadTo(section, entriesAt);
  section += entries;
  PadTo(section, dataAt);
  return PeAroundSection(section + data, pe32Plus);
}

std::string PeAroundSection(const std::string& section, bool pe32Plus) {
  std::string bytes(0x40, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put32(bytes, 0x3C, 0x40);
  const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
  std::string coff = std::string("PE\0\0", 4) + Le16(pe32Plus ? 0x8664 : 0x14C) + Le16(1) +
                     Le32(0) + Le32(0) + Le32(0) + Le16(optionalSize) +
                     Le16(pe32Plus ? 0x2022 : 0x2102);
  std::string optional(optionalSize, '\0');
  Put16(optional, 0, pe32Plus ? 0x20B : 0x10B);
  const std::size_t imageEnd = kResourceRva + Align(section.size(), 0x1000);
  Put32(optional, pe32Plus ? 24 : 28, pe32Plus ? 0x00000000u : 0x10000000u);
  if (pe32Plus) Put32(optional, 28, 0x1);  // image base 0x1'00000000
  Put32(optional, 32, 0x1000);
  Put32(optional, 36, 0x200);
  Put16(optional, 40, 4);
  Put16(optional, 48, 4);
  Put32(optional, 56, static_cast<std::uint32_t>(imageEnd));
  Put32(optional, 60, 0x200);
  Put16(optional, 68, 2);
  const std::size_t countAt = pe32Plus ? 108 : 92;
  Put32(optional, countAt, 16);
  Put32(optional, countAt + 4 + 2 * 8, kResourceRva);
  Put32(optional, countAt + 4 + 2 * 8 + 4, static_cast<std::uint32_t>(section.size()));
  std::string sectionHeader =
      std::string(".rsrc\0\0\0", 8) + Le32(static_cast<std::uint32_t>(section.size())) +
      Le32(kResourceRva) + Le32(static_cast<std::uint32_t>(Align(section.size(), 0x200))) +
      Le32(kResourceFileOffset) + Le32(0) + Le32(0) + Le16(0) + Le16(0) + Le32(0x40000040u);
  bytes += coff + optional + sectionHeader;
  PadTo(bytes, kResourceFileOffset);
  bytes += section;
  PadTo(bytes, Align(bytes.size(), 0x200));
  return bytes;
}

}  // namespace zendrel::test::icons

namespace zendrel::test {

namespace {

// The corner that the mask makes transparent: a quarter of the side.
bool InCorner(int size, int x, int y) { return x < size / 4 && y < size / 4; }

icons::Image Drawn(const IconImage& image) {
  icons::Picture picture{image.size, image.size, {}};
  for (int y = 0; y < image.size; ++y) {
    for (int x = 0; x < image.size; ++x)
      picture.pixels.push_back(InCorner(image.size, x, y) ? 0 : image.colour);
  }
  return icons::DibImage(picture, image.bitCount);
}

std::vector<icons::Image> Drawn(const std::vector<IconImage>& images) {
  std::vector<icons::Image> drawn;
  for (const IconImage& image : images) drawn.push_back(Drawn(image));
  return drawn;
}

}  // namespace

std::string MakeIco(const std::vector<IconImage>& images) { return icons::Ico(Drawn(images)); }

std::string MakeIcl(const std::vector<std::vector<IconImage>>& groups) {
  std::vector<icons::Resource> resources;
  std::size_t payload = 0;
  std::uint16_t nextIcon = 1;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::vector<icons::Image> images = Drawn(groups[g]);
    for (const icons::Image& image : images) payload += image.data.size() + 16;
    const std::vector<icons::Resource> group =
        icons::IconResources("", static_cast<std::uint16_t>(g + 1), images, nextIcon);
    resources.insert(resources.end(), group.begin(), group.end());
    nextIcon = static_cast<std::uint16_t>(nextIcon + images.size());
  }
  // Offsets are 16-bit counts of alignment units: a large library needs larger units.
  int shift = 4;
  while (((payload + 0x10000) >> shift) >= 0xFFFF) ++shift;
  return icons::Ne(resources, shift);
}

std::uint32_t ExpectedPixel(const IconImage& image, int x, int y) {
  if (InCorner(32, x, y)) return 0;
  return image.bitCount == 32 ? image.colour : 0xFF000000 | (image.colour & 0x00FFFFFF);
}

int LargestChannelDifference(const std::vector<std::uint32_t>& a,
                             const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return 256;
  int largest = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int d =
          static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
      largest = std::max(largest, d < 0 ? -d : d);
    }
  }
  return largest;
}

}  // namespace zendrel::test

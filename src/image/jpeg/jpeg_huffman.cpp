#include "image/jpeg/jpeg_huffman.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

namespace quelmar {

const std::array<std::uint8_t, 64> kJpegZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace {

// Largest magnitude categories of an 8-bit baseline file.
constexpr int kMaxDcCategory = 11;
constexpr int kMaxAcCategory = 10;
constexpr int kEndOfBlock = 0x00;
constexpr int kZeroRun = 0xF0;

int Extend(std::uint32_t bits, int size) {
  const int value = static_cast<int>(bits);
  return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

// The magnitude category of a coefficient or difference, and its low bits as coded.
struct Magnitude {
  int category;
  std::uint32_t bits;
};
Magnitude MagnitudeOf(int value) {
  const unsigned size = static_cast<unsigned>(value < 0 ? -value : value);
  const int category = size == 0 ? 0 : 32 - std::countl_zero(size);
  return {category, static_cast<std::uint32_t>(value < 0 ? value - 1 : value)};
}

// Calls code(length, code, index) for every code of the table in order; false when the counts
// overflow the code space (a code of all ones included, as decoders refuse it).
template <class Each>
bool ForEachCode(const HuffmanTable& table, Each&& each) {
  int index = 0;
  std::uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < table.counts[length - 1]; ++i) {
      if (index >= 256 || code >= (1U << length) - 1) return false;
      each(length, code, index);
      ++index;
      ++code;
    }
    code <<= 1;
  }
  return true;
}

}  // namespace

bool HuffmanDecoder::Build(const HuffmanTable& table) {
  fast_.fill(0);
  skip_.fill(0);
  max_code_.fill(-1);
  symbols_ = table.symbols;
  return ForEachCode(table, [&](int length, std::uint32_t code, int index) {
    const int symbol = table.symbols[index];
    if (max_code_[length] < 0) value_offset_[length] = index - static_cast<std::int32_t>(code);
    max_code_[length] = static_cast<std::int32_t>(code);
    if (length > kFastBits) return;
    const int spare = kFastBits - length;
    const int run = symbol >> 4;
    const int size = symbol & 15;
    std::uint16_t skip = 0;
    if (symbol == kEndOfBlock) skip = static_cast<std::uint16_t>(length);  // advance 0: the end
    if (symbol == kZeroRun) skip = static_cast<std::uint16_t>(length | 16 << 4);
    if (size != 0 && length + size <= kFastBits) {
      skip = static_cast<std::uint16_t>((length + size) | (run + 1) << 4);
    }
    for (std::uint32_t tail = 0; tail < (1U << spare); ++tail) {
      fast_[(code << spare) | tail] = static_cast<std::uint16_t>(length << 8 | symbol);
      skip_[(code << spare) | tail] = skip;
    }
  });
}

int HuffmanDecoder::DecodeLong(JpegBitReader& reader, std::uint32_t peek16) const {
  for (int length = kFastBits + 1; length <= 16; ++length) {
    const auto code = static_cast<std::int32_t>(peek16 >> (16 - length));
    if (code <= max_code_[length]) {
      reader.Skip(length);
      return symbols_[static_cast<std::size_t>(code + value_offset_[length])];
    }
  }
  return -1;
}

bool ExtendHuffmanTable(HuffmanTable& table, const std::bitset<256>& symbols) {
  int total = 0;
  int longest = 1;
  std::uint32_t next = 0;  // the canonical code after the last one, at length longest
  for (int length = 1; length <= 16; ++length) {
    next = (next << 1) + table.counts[length - 1];
    total += table.counts[length - 1];
    if (table.counts[length - 1] > 0) longest = length;
  }
  next >>= 16 - longest;
  const auto added = static_cast<int>(symbols.count());
  if (total + added > 256) return false;
  // All new codes get one length, the shortest at which they follow the last code without
  // reaching the code of all ones.
  for (int length = longest; length <= 16; ++length) {
    const std::uint64_t first = std::uint64_t{next} << (length - longest);
    if (first + static_cast<std::uint64_t>(added) >= (std::uint64_t{1} << length)) continue;
    table.counts[length - 1] = static_cast<std::uint8_t>(table.counts[length - 1] + added);
    for (std::size_t symbol = 0; symbol < symbols.size(); ++symbol) {
      if (symbols.test(symbol))
        table.symbols[static_cast<std::size_t>(total++)] = static_cast<std::uint8_t>(symbol);
    }
    return true;
  }
  return false;
}

bool MakeRoomInHuffmanTable(HuffmanTable& table, const std::bitset<256>& symbols) {
  std::vector<std::pair<int, std::uint8_t>> codes;  // length, symbol, in canonical order
  std::uint32_t used = 0;                           // 16-bit code slots taken
  int total = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < table.counts[length - 1]; ++i) {
      codes.emplace_back(length, table.symbols[static_cast<std::size_t>(total++)]);
      used += 1U << (16 - length);
    }
  }
  const auto added = static_cast<std::uint32_t>(symbols.count());
  if (codes.size() + added > 256 || used > 0xFFFF) return false;
  // The slot of all ones stays free; moving a code of length l to 16 bits frees 2^(16-l) - 1.
  std::uint32_t free_slots = 0xFFFF - used;
  for (auto it = codes.rbegin(); it != codes.rend() && free_slots < added; ++it) {
    if (it->first == 16) continue;
    free_slots += (1U << (16 - it->first)) - 1;
    it->first = 16;
  }
  if (free_slots < added) return false;
  for (std::size_t symbol = 0; symbol < symbols.size(); ++symbol) {
    if (symbols.test(symbol)) codes.emplace_back(16, static_cast<std::uint8_t>(symbol));
  }
  std::stable_sort(codes.begin(), codes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  HuffmanTable room;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    ++room.counts[static_cast<std::size_t>(codes[i].first - 1)];
    room.symbols[i] = codes[i].second;
  }
  table = room;
  return true;
}

bool HuffmanEncoder::Build(const HuffmanTable& table) {
  codes_.fill(0);
  lengths_.fill(0);
  bool unique = true;
  const bool fits = ForEachCode(table, [&](int length, std::uint32_t code, int index) {
    const int symbol = table.symbols[index];
    if (lengths_[symbol] != 0) unique = false;
    codes_[symbol] = static_cast<std::uint16_t>(code);
    lengths_[symbol] = static_cast<std::uint8_t>(length);
  });
  return fits && unique;
}

namespace {

bool DecodeDc(JpegBitReader& reader, const HuffmanDecoder& dc, int& predictor) {
  const int size = dc.Decode(reader);
  if (size < 0 || size > kMaxDcCategory) return false;
  if (size > 0) predictor += Extend(reader.Get(size), size);
  return predictor >= -32768 && predictor <= 32767;
}

// The AC symbols of a block from zigzag index k on; keep(index, value) receives each
// coefficient.
template <class Keep>
bool DecodeAc(JpegBitReader& reader, const HuffmanDecoder& ac, int k, Keep&& keep) {
  while (k < 64) {
    const int symbol = ac.Decode(reader);
    if (symbol < 0) return false;
    const int run = symbol >> 4;
    const int size = symbol & 15;
    if (size == 0) {
      if (symbol == kEndOfBlock) return true;
      if (symbol != kZeroRun) return false;
      k += 16;
      if (k > 64) return false;
      continue;
    }
    k += run;
    if (k > 63 || size > kMaxAcCategory) return false;
    keep(k, Extend(reader.Get(size), size));
    ++k;
  }
  return true;
}

}  // namespace

bool DecodeJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                     int& predictor, JpegBlock& block) {
  block.fill(0);
  if (!DecodeDc(reader, dc, predictor)) return false;
  block[0] = static_cast<std::int16_t>(predictor);
  return DecodeAc(reader, ac, 1, [&](int k, int value) {
    block[kJpegZigzag[k]] = static_cast<std::int16_t>(value);
  });
}

bool TranscodeJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                        int& predictor, JpegBitWriter& writer, const HuffmanEncoder& new_dc,
                        const HuffmanEncoder& new_ac) {
  const int dc_size = dc.Decode(reader);
  if (dc_size < 0 || dc_size > kMaxDcCategory) return false;
  const std::uint32_t dc_bits = reader.Get(dc_size);
  if (dc_size > 0) predictor += Extend(dc_bits, dc_size);
  if (predictor < -32768 || predictor > 32767) return false;
  new_dc.Put(writer, dc_size);
  writer.Put(dc_bits, dc_size);
  for (int k = 1; k < 64;) {
    const int symbol = ac.Decode(reader);
    if (symbol < 0) return false;
    const int size = symbol & 15;
    if (size == 0 && symbol != kEndOfBlock && symbol != kZeroRun) return false;
    k += size == 0 ? (symbol == kZeroRun ? 16 : 64) : (symbol >> 4) + 1;
    if (size > kMaxAcCategory || (symbol != kEndOfBlock && k > 64)) return false;
    new_ac.Put(writer, symbol);
    writer.Put(reader.Get(size), size);
  }
  return true;
}

bool SkipJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                   int& predictor) {
  if (!DecodeDc(reader, dc, predictor)) return false;
  int k = 1;
  // Short codes with their magnitude bits go in one step; the rest take the full decoder.
  while (k < 64) {
    const std::uint16_t entry = ac.SkipEntry(reader.Peek(HuffmanDecoder::kFastBits));
    if (entry == 0) break;
    reader.Skip(entry & 15);
    const int advance = entry >> 4;
    if (advance == 0) return true;
    k += advance;
    if (k > 64) return false;
  }
  return k >= 64 || DecodeAc(reader, ac, k, [](int, int) {});
}

namespace {

// Calls each(is_dc, symbol, magnitude bits, their count) for every symbol that codes block after
// predictor, in order; stops early when each returns false, and returns whether it ran through.
template <class Each>
bool ForEachSymbol(const JpegBlock& block, int predictor, Each&& each) {
  const Magnitude dc = MagnitudeOf(block[0] - predictor);
  if (dc.category > kMaxDcCategory || !each(true, dc.category, dc.bits, dc.category)) return false;
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    const int value = block[kJpegZigzag[k]];
    if (value == 0) {
      ++run;
      continue;
    }
    for (; run > 15; run -= 16) {
      if (!each(false, kZeroRun, 0, 0)) return false;
    }
    const Magnitude size = MagnitudeOf(value);
    if (size.category > kMaxAcCategory) return false;
    if (!each(false, run << 4 | size.category, size.bits, size.category)) return false;
    run = 0;
  }
  return run == 0 || each(false, kEndOfBlock, 0, 0);
}

}  // namespace

JpegCodes CheckJpegCodes(const JpegBlock& block, int predictor, const HuffmanEncoder& dc,
                         const HuffmanEncoder& ac, std::bitset<256>& dc_missing,
                         std::bitset<256>& ac_missing) {
  bool missing = false;
  const bool within =
      ForEachSymbol(block, predictor, [&](bool is_dc, int symbol, std::uint32_t, int) {
        if (!(is_dc ? dc : ac).Has(symbol)) {
          (is_dc ? dc_missing : ac_missing).set(static_cast<std::size_t>(symbol));
          missing = true;
        }
        return true;
      });
  if (!within) return JpegCodes::kBeyondBaseline;
  return missing ? JpegCodes::kMissing : JpegCodes::kPresent;
}

void CodeJpegBlock(JpegBitWriter& writer, const JpegBlock& block, int& predictor,
                   const HuffmanEncoder& dc, const HuffmanEncoder& ac) {
  ForEachSymbol(block, predictor, [&](bool is_dc, int symbol, std::uint32_t bits, int count) {
    (is_dc ? dc : ac).Put(writer, symbol);
    writer.Put(bits, count);
    return true;
  });
  predictor = block[0];
}

}  // namespace quelmar

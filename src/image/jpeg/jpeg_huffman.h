#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>

#include "image/jpeg/jpeg_bit_reader.h"
#include "image/jpeg/jpeg_bit_writer.h"

namespace quelmar {

// One 8 x 8 block of quantised DCT coefficients in natural (row by row) order, laid out as
// libjpeg's JBLOCK.
using JpegBlock = std::array<std::int16_t, 64>;

// The natural-order index of each zigzag position.
extern const std::array<std::uint8_t, 64> kJpegZigzag;

// A Huffman table as a DHT segment defines it: counts[l] codes of length l + 1, and the
// symbols in code order.
struct HuffmanTable {
  std::array<std::uint8_t, 16> counts{};
  std::array<std::uint8_t, 256> symbols{};
};

// The decoding side of one table. A table whose counts overflow the code space, or that holds
// more than 256 symbols, is refused by Build.
class HuffmanDecoder {
 public:
  // False for a table a decoder would reject.
  bool Build(const HuffmanTable& table);

  // The next symbol, or -1 when the bits are no code of the table (damaged data).
  int Decode(JpegBitReader& reader) const {
    const std::uint32_t peek = reader.Peek(16);
    const std::uint16_t entry = fast_[peek >> (16 - kFastBits)];
    if (entry != 0) {
      reader.Skip(entry >> 8);
      return entry & 0xFF;
    }
    return DecodeLong(reader, peek);
  }

  // For AC tables: the bits taken by the code and its magnitude together, and how far the
  // coefficient index moves (run + 1, 16 for ZRL, 64 for EOB), packed as length | advance << 4;
  // 0 when the next code is not short enough for the table.
  std::uint16_t SkipEntry(std::uint32_t peek9) const { return skip_[peek9]; }

  static constexpr int kFastBits = 9;

 private:
  int DecodeLong(JpegBitReader& reader, std::uint32_t peek16) const;

  std::array<std::uint16_t, 1 << kFastBits> fast_{};  // length << 8 | symbol; 0: longer code
  std::array<std::uint16_t, 1 << kFastBits> skip_{};
  std::array<std::int32_t, 18> max_code_{};
  std::array<std::int32_t, 18> value_offset_{};
  std::array<std::uint8_t, 256> symbols_{};
};

// Gives table codes for symbols as well, without changing any code it has: the new codes, all
// of one length, take the code space after its last code, short of the code of all ones (which
// no table may use). False, with table unchanged, when that space is too small, as in a table
// whose codes already fill it up to 16 bits.
bool ExtendHuffmanTable(HuffmanTable& table, const std::bitset<256>& symbols);

// Gives table codes for symbols as well when ExtendHuffmanTable finds no room: the symbols with
// the longest codes below 16 bits move to 16 bits, last first, until the space they free holds
// the new symbols at 16 bits. Other codes keep their lengths, but codes change, so a scan coded
// with the old table must be coded again. False, with table unchanged, when no order of moves
// makes enough room or the table would pass 256 symbols.
bool MakeRoomInHuffmanTable(HuffmanTable& table, const std::bitset<256>& symbols);

// The encoding side of one table: each symbol's code and length (0: the table lacks it).
class HuffmanEncoder {
 public:
  bool Build(const HuffmanTable& table);
  bool Has(int symbol) const { return lengths_[symbol] != 0; }
  void Put(JpegBitWriter& writer, int symbol) const {
    writer.Put(codes_[symbol], lengths_[symbol]);
  }

 private:
  std::array<std::uint16_t, 256> codes_{};
  std::array<std::uint8_t, 256> lengths_{};
};

// Decodes one block of a sequential Huffman scan into block (natural order), its DC
// difference added to predictor, which is updated. False on damaged data: a bad code, a run past
// the last coefficient, a magnitude a baseline 8-bit file cannot hold. Overrun is the caller's
// check.
bool DecodeJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                     int& predictor, JpegBlock& block);

// The same, without keeping the AC coefficients: only the predictor moves.
bool SkipJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                   int& predictor);

// Reads one block with the decoders and writes its symbols again with the encoders, each
// symbol's magnitude bits as they are: the block keeps its coefficients and DC difference.
// predictor follows the block's DC. The encoders must hold every symbol the decoders have.
// False on damaged data, as DecodeJpegBlock.
bool TranscodeJpegBlock(JpegBitReader& reader, const HuffmanDecoder& dc, const HuffmanDecoder& ac,
                        int& predictor, JpegBitWriter& writer, const HuffmanEncoder& new_dc,
                        const HuffmanEncoder& new_ac);

// Whether the tables can code block after predictor.
enum class JpegCodes {
  kPresent,        // every symbol it needs has a code
  kMissing,        // some symbols lack one; they were added to the missing sets
  kBeyondBaseline  // a magnitude beyond an 8-bit baseline file's: no table codes it
};
JpegCodes CheckJpegCodes(const JpegBlock& block, int predictor, const HuffmanEncoder& dc,
                         const HuffmanEncoder& ac, std::bitset<256>& dc_missing,
                         std::bitset<256>& ac_missing);

// Codes block after predictor (which becomes its DC). The tables must hold every symbol
// (CheckJpegCodes).
void CodeJpegBlock(JpegBitWriter& writer, const JpegBlock& block, int& predictor,
                   const HuffmanEncoder& dc, const HuffmanEncoder& ac);

}  // namespace quelmar

// The "vorn" state bytes between the LV2 UI and the plug-in, as atom
// messages. The UI edits a mirror instance of its own (an LV2 UI may run in
// another process than the plug-in); what it changes that is not a
// parameter port travels as the whole state, cut into pieces small enough
// for any host's UI and worker rings:
//   StatePiece   {serial, offset, total, program, bytes}  either way (the
//                current program travels beside the bytes, which hold none)
//   StateRequest {}                              UI -> plug-in: send your state
//   StateAck     {serial, offset}                plug-in -> UI: bytes before
//                                                offset handed to the worker
//   StateLoaded  {serial, offset = 1 loaded / 0 refused}
// Pieces of one transfer come in order; a gap or a new serial ends the
// transfer that was under way.
#pragma once

#include <cstdint>
#include <vector>

#include <lv2/atom/forge.h>

#include "plugin/lv2/lv2_urids.h"

namespace plugin::lv2 {

constexpr uint32_t piece_bytes = 2048;
// Whole state bytes, however many waves they carry; beyond this a transfer
// is refused before anything is allocated.
constexpr uint32_t max_state_bytes = 64u << 20;
// The forged size of one piece message (atom header included), at most.
constexpr uint32_t piece_message_bytes = piece_bytes + 128;

struct state_piece {
  int32_t serial = 0;
  uint32_t offset = 0;
  uint32_t total = 0;
  int32_t program = -1;  // the sender's current program; -1 when not said
  const uint8_t* bytes = nullptr;
  uint32_t size = 0;
};

// The piece of `total` bytes (`whole` points at them) that starts at
// `offset`: at most piece_bytes long.
inline state_piece piece_at(int32_t serial, const uint8_t* whole, uint32_t offset, uint32_t total, int32_t program) {
  state_piece piece;
  piece.serial = serial;
  piece.offset = offset;
  piece.total = total;
  piece.program = program;
  piece.bytes = whole + offset;
  piece.size = total - offset < piece_bytes ? total - offset : piece_bytes;
  return piece;
}

// Forges into `forge` (an atom, or an event body after its frame time);
// false when the buffer is too small. No allocation.
bool forge_piece(LV2_Atom_Forge& forge, const urids& ids, const state_piece& piece);
bool forge_signal(LV2_Atom_Forge& forge, const urids& ids, LV2_URID type, int32_t serial, uint32_t offset);

// The object's type when it is one of ours, else 0.
LV2_URID message_type(const LV2_Atom* atom, const urids& ids);
bool read_piece(const LV2_Atom* atom, const urids& ids, state_piece& out);
bool read_signal(const LV2_Atom* atom, const urids& ids, int32_t& serial, uint32_t& offset);

// Joins the pieces of one transfer. Not for the audio thread (it allocates).
class state_assembly {
 public:
  enum class step { partial, complete, refused };
  step take(const state_piece& piece);
  // The whole bytes once take returned complete.
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int32_t serial() const { return serial_; }
  // The program the completing piece named (-1: none).
  int32_t program() const { return program_; }

 private:
  std::vector<uint8_t> bytes_;
  int32_t serial_ = -1;
  int32_t program_ = -1;
  uint32_t next_ = 0;
  bool open_ = false;
};

}  // namespace plugin::lv2

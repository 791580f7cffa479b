#include "plugin/lv2/state_messages.h"

#include <cstdint>
#include <cstring>

#include <lv2/atom/util.h>

namespace plugin::lv2 {

bool forge_piece(LV2_Atom_Forge& forge, const urids& ids, const state_piece& piece) {
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_object(&forge, &frame, 0, ids.state_piece)) return false;
  lv2_atom_forge_key(&forge, ids.serial);
  lv2_atom_forge_int(&forge, piece.serial);
  lv2_atom_forge_key(&forge, ids.offset);
  lv2_atom_forge_long(&forge, int64_t(piece.offset));
  lv2_atom_forge_key(&forge, ids.total);
  lv2_atom_forge_long(&forge, int64_t(piece.total));
  lv2_atom_forge_key(&forge, ids.program);
  lv2_atom_forge_int(&forge, piece.program);
  lv2_atom_forge_key(&forge, ids.bytes);
  const bool written = lv2_atom_forge_atom(&forge, piece.size, ids.atom_chunk) &&
                       lv2_atom_forge_write(&forge, piece.bytes, piece.size);
  lv2_atom_forge_pop(&forge, &frame);
  return written;
}

bool forge_signal(LV2_Atom_Forge& forge, const urids& ids, LV2_URID type, int32_t serial, uint32_t offset) {
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_object(&forge, &frame, 0, type)) return false;
  lv2_atom_forge_key(&forge, ids.serial);
  lv2_atom_forge_int(&forge, serial);
  lv2_atom_forge_key(&forge, ids.offset);
  const bool written = lv2_atom_forge_long(&forge, int64_t(offset)) != 0;
  lv2_atom_forge_pop(&forge, &frame);
  return written;
}

LV2_URID message_type(const LV2_Atom* atom, const urids& ids) {
  if (!atom || (atom->type != ids.atom_object && atom->type != ids.atom_blank)) return 0;
  if (atom->size < sizeof(LV2_Atom_Object_Body)) return 0;
  const LV2_URID type = reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype;
  const bool ours = type == ids.state_piece || type == ids.state_request || type == ids.state_ack ||
                    type == ids.state_loaded;
  return ours ? type : 0;
}

namespace {

bool read_count(const LV2_Atom* a, const urids& ids, int64_t& out) {
  if (!a) return false;
  if (a->type == ids.atom_long && a->size >= sizeof(int64_t)) {
    out = reinterpret_cast<const LV2_Atom_Long*>(a)->body;
    return true;
  }
  if (a->type == ids.atom_int && a->size >= sizeof(int32_t)) {
    out = reinterpret_cast<const LV2_Atom_Int*>(a)->body;
    return true;
  }
  return false;
}

}  // namespace

bool read_signal(const LV2_Atom* atom, const urids& ids, int32_t& serial, uint32_t& offset) {
  if (!message_type(atom, ids)) return false;
  const LV2_Atom* s = nullptr;
  const LV2_Atom* o = nullptr;
  lv2_atom_object_get(reinterpret_cast<const LV2_Atom_Object*>(atom), ids.serial, &s, ids.offset, &o, 0);
  int64_t sv = 0;
  int64_t ov = 0;
  if (!read_count(s, ids, sv) || !read_count(o, ids, ov) || ov < 0 || ov > int64_t(max_state_bytes)) return false;
  serial = int32_t(sv);
  offset = uint32_t(ov);
  return true;
}

bool read_piece(const LV2_Atom* atom, const urids& ids, state_piece& out) {
  if (message_type(atom, ids) != ids.state_piece) return false;
  const LV2_Atom* s = nullptr;
  const LV2_Atom* o = nullptr;
  const LV2_Atom* t = nullptr;
  const LV2_Atom* b = nullptr;
  const LV2_Atom* p = nullptr;
  lv2_atom_object_get(reinterpret_cast<const LV2_Atom_Object*>(atom), ids.serial, &s, ids.offset, &o, ids.total,
                      &t, ids.bytes, &b, ids.program, &p, 0);
  int64_t pv = -1;
  if (!read_count(p, ids, pv) || pv < -1 || pv > INT32_MAX) pv = -1;
  int64_t sv = 0;
  int64_t ov = 0;
  int64_t tv = 0;
  if (!read_count(s, ids, sv) || !read_count(o, ids, ov) || !read_count(t, ids, tv)) return false;
  if (!b || b->type != ids.atom_chunk || b->size > piece_bytes) return false;
  if (tv <= 0 || tv > int64_t(max_state_bytes) || ov < 0 || ov + int64_t(b->size) > tv) return false;
  out.serial = int32_t(sv);
  out.offset = uint32_t(ov);
  out.total = uint32_t(tv);
  out.program = int32_t(pv);
  out.bytes = reinterpret_cast<const uint8_t*>(b + 1);
  out.size = b->size;
  return true;
}

state_assembly::step state_assembly::take(const state_piece& piece) {
  if (piece.offset == 0) {
    // A transfer starts: whatever was under way is dropped.
    serial_ = piece.serial;
    next_ = 0;
    open_ = piece.total > 0 && piece.total <= max_state_bytes;
    if (open_) bytes_.resize(piece.total);
  }
  const bool fits = open_ && piece.serial == serial_ && piece.offset == next_ && piece.total == bytes_.size() &&
                    piece.size <= piece.total - piece.offset && (piece.size > 0 || piece.total == 0);
  if (!fits) {
    open_ = false;
    return step::refused;
  }
  std::memcpy(bytes_.data() + next_, piece.bytes, piece.size);
  next_ += piece.size;
  program_ = piece.program;
  if (next_ < piece.total) return step::partial;
  open_ = false;
  return step::complete;
}

}  // namespace plugin::lv2

// The interface layer's IDs and the VST 2 chunk unwrapping, without a
// module: the byte orders hosts compare, and the wrappers hosts put around
// an old project's chunk.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/vst3/class_ids.h"
#include "plugin/vst3/state_stream.h"
#include "plugin/vst3/vst3_abi.h"
#include "tools/vst3host/host_objects.h"

namespace {

using vst3::uid;

std::vector<uint8_t> bytes_of(const uid& u) { return std::vector<uint8_t>(u.bytes, u.bytes + 16); }

TEST(Vst3Abi, IdsHaveThePlatformByteOrder) {
#if VST3_COM_IDS
  const std::vector<uint8_t> component = {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43,
                                          0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  const std::vector<uint8_t> unknown = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
#else
  const std::vector<uint8_t> component = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                                          0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  const std::vector<uint8_t> unknown = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
#endif
  EXPECT_EQ(bytes_of(vst3::iid::IComponent), component);
  EXPECT_EQ(bytes_of(vst3::iid::FUnknown), unknown);
  // The words come back from the bytes on either platform (the text form).
  vst3::uint32 w[4];
  vst3::iid::IComponent.words(w);
  EXPECT_EQ(w[0], 0xE831FF31u);
  EXPECT_EQ(w[1], 0xF2D54301u);
  EXPECT_EQ(w[2], 0x928EBBEEu);
  EXPECT_EQ(w[3], 0x25697802u);
  EXPECT_TRUE(vst3::iid::IComponent.matches(component.data()));
  EXPECT_FALSE(vst3::iid::IEditController.matches(component.data()));
  EXPECT_FALSE(vst3::iid::IComponent.matches(nullptr));
}

// "VST", the VST 2 unique ID as a host reads it from the AEffect, and the
// lower-cased name: what a host derives for the VST 2 plug-in it replaces.
TEST(Vst3Abi, ProcessorIdIsDerivedFromTheVst2Id) {
  int32_t vst2_id;
  std::memcpy(&vst2_id, "kvx2", 4);
  char text[40];
  std::snprintf(text, sizeof text, "565354%08X", unsigned(vst2_id));
  std::string expected = text;
  for (const char* p = "vorn"; *p; ++p) {
    std::snprintf(text, sizeof text, "%02X", unsigned(std::tolower(*p)));
    expected += text;
  }
  expected.resize(32, '0');
  EXPECT_EQ(expected, vst3_shell::processor_cid_text);
  vst3::uint32 w[4];
  vst3_shell::processor_cid.words(w);
  std::snprintf(text, sizeof text, "%08X%08X%08X%08X", unsigned(w[0]), unsigned(w[1]), unsigned(w[2]),
                unsigned(w[3]));
  EXPECT_EQ(std::string(text), expected);
}

// A VST 2 host's project record: optional "VstW" header, then "CcnK" with a
// bank chunk (or a program chunk) around the plug-in's own bytes.
std::vector<uint8_t> be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

std::vector<uint8_t> wrap(const std::vector<uint8_t>& chunk, const char* kind, bool vstw) {
  std::vector<uint8_t> out;
  auto put = [&](const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); };
  auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
  if (vstw) {
    tag("VstW");
    put(be32(8));
    put(be32(1));
    put(be32(0));
  }
  const bool bank = std::strcmp(kind, "FBCh") == 0;
  tag("CcnK");
  put(be32(0));  // byte size: hosts fill it in, readers do not need it
  tag(kind);
  put(be32(1));
  tag("2xvk");
  put(be32(1));
  put(be32(bank ? 128 : 89));
  out.resize(out.size() + (bank ? 128 : 28), 0);
  put(be32(uint32_t(chunk.size())));
  put(chunk);
  return out;
}

TEST(Vst3State, Vst2ChunkComesOutOfItsWrappings) {
  const std::vector<uint8_t> state = {'v', 'o', 'r', 'n', 4, 0, 0, 0, 1, 2, 3, 4};
  size_t size = 0;
  const uint8_t* p = vst3_shell::unwrap_vst2_chunk(state.data(), state.size(), size);
  EXPECT_EQ(p, state.data());  // plain state bytes pass as they are
  EXPECT_EQ(size, state.size());
  for (bool vstw : {false, true}) {
    for (const char* kind : {"FBCh", "FPCh"}) {
      const std::vector<uint8_t> wrapped = wrap(state, kind, vstw);
      p = vst3_shell::unwrap_vst2_chunk(wrapped.data(), wrapped.size(), size);
      ASSERT_NE(p, nullptr) << kind << " " << vstw;
      EXPECT_EQ(std::vector<uint8_t>(p, p + size), state) << kind << " " << vstw;
      // Cut anywhere inside the record: refused, never read past the end.
      for (size_t cut = 4; cut < wrapped.size(); cut += 7)
        EXPECT_EQ(vst3_shell::unwrap_vst2_chunk(wrapped.data(), cut, size), nullptr) << kind << " cut " << cut;
    }
  }
  // A parameter list record is nothing this instrument wrote.
  std::vector<uint8_t> params = wrap(state, "FxBk", false);
  EXPECT_EQ(vst3_shell::unwrap_vst2_chunk(params.data(), params.size(), size), nullptr);
  // A chunk size beyond the bytes.
  std::vector<uint8_t> lying = wrap(state, "FBCh", false);
  lying[156] = 0x7F;
  EXPECT_EQ(vst3_shell::unwrap_vst2_chunk(lying.data(), lying.size(), size), nullptr);
}

TEST(Vst3State, StreamsAreReadWholeAndBounded) {
  std::vector<uint8_t> big(200000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
  vst3host::memory_stream in(big);
  std::vector<uint8_t> got;
  ASSERT_TRUE(vst3_shell::read_stream(in, got));
  EXPECT_EQ(got, big);
  vst3host::memory_stream out;
  ASSERT_TRUE(vst3_shell::write_stream(out, big.data(), big.size()));
  EXPECT_EQ(out.bytes(), big);
  vst3host::memory_stream empty;
  ASSERT_TRUE(vst3_shell::read_stream(empty, got));
  EXPECT_TRUE(got.empty());
}

}  // namespace

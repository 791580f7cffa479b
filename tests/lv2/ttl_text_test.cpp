// The Turtle helpers the bundles are written with: what they write must read
// back as what was meant (numbers, binary state, quoted names), and port
// symbols must be C identifiers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/lv2ttl/plugin_ttl.h"
#include "tools/lv2ttl/ttl_text.h"

namespace {

TEST(ttl_text, numbers_read_back_exactly_and_stay_decimals) {
  for (float v : {0.f, 1.f, 0.5f, 0.125f, 1.f / 3.f, 0.6666667f, 1e-7f, 0.999999f}) {
    const std::string text = lv2ttl::number(v);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), v) << text;
    EXPECT_NE(text.find('.'), std::string::npos) << text;  // an integer literal would change the type
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
  }
}

TEST(ttl_text, base64_matches_the_standard_vectors) {
  auto b64 = [](const std::string& s) {
    return lv2ttl::base64(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_EQ(b64(""), "");
  EXPECT_EQ(b64("f"), "Zg==");
  EXPECT_EQ(b64("fo"), "Zm8=");
  EXPECT_EQ(b64("foo"), "Zm9v");
  EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
  const std::vector<uint8_t> high = {0xff, 0xfe, 0x00, 0x80};
  EXPECT_EQ(lv2ttl::base64(high.data(), high.size()), "//4AgA==");
}

TEST(ttl_text, names_are_quoted_and_symbols_are_identifiers) {
  EXPECT_EQ(lv2ttl::quoted("Say \"hi\" \\ bye"), "\"Say \\\"hi\\\" \\\\ bye\"");
  EXPECT_EQ(lv2ttl::symbol_of("Filter Env B"), "filter_env_b");
  EXPECT_EQ(lv2ttl::symbol_of("Osc B Xmod"), "osc_b_xmod");
  EXPECT_EQ(lv2ttl::symbol_of("3 Band -- EQ!"), "p_3_band_eq");
  EXPECT_EQ(lv2ttl::symbol_of("---"), "p_");
}

TEST(ttl_text, every_parameter_has_its_own_symbol) {
  const std::vector<std::string> symbols = lv2ttl::port_symbols();
  ASSERT_EQ(symbols.size(), 89u);
  for (size_t i = 0; i < symbols.size(); ++i) {
    for (size_t j = i + 1; j < symbols.size(); ++j) EXPECT_NE(symbols[i], symbols[j]) << i << " " << j;
    for (char c : symbols[i]) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') << symbols[i];
  }
}

}  // namespace

// Names for the cases of a parameterised test, made of the case's own
// words, so that ctest lists "Values/DeviceNumberKey.StoresItsFieldOnly/
// VID_minus_1" rather than a dump of the case's bytes.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace tarnwell::testing {

// Letters and digits as they are, "-" and "+" as "minus" and "plus", a NUL
// byte as "nul", and every other run of bytes one "_" between words;
// "empty" for none.
inline std::string CaseWords(std::string_view text) {
  std::string name;
  auto word = [&name](std::string_view w) {
    if (!name.empty() && name.back() != '_') name += '_';
    name += w;
    name += '_';
  };
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      name += c;
    } else if (c == '-') {
      word("minus");
    } else if (c == '+') {
      word("plus");
    } else if (c == '\0') {
      word("nul");
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? "empty" : name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P: each case named by the
// CaseWords of words_of(case). (Names must be unique: gtest says which
// ones are not.)
template <typename Case, typename WordsOf>
auto NamedByWords(WordsOf words_of) {
  return [words_of](const ::testing::TestParamInfo<Case>& info) {
    return CaseWords(words_of(info.param));
  };
}

}  // namespace tarnwell::testing

// Writes the parts of the bicycle sample: one "id<TAB>effectivity" line per
// part, in the literal syntax, against dictionary.xml. The same seed gives
// the same file everywhere: only the engine's raw output is used, never a
// standard distribution, whose results differ between libraries.
//
//     make_parts parts.tsv [count]     (100000 parts by default)
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Feature {
  const char* name;
  std::vector<const char*> options;
};

// Selections as in dictionary.xml, in its order.
const std::vector<Feature> sc_selections = {
    {"Frame", {"Aluminium", "Carbon", "Steel", "Titanium"}},
    {"Size", {"XS", "S", "M", "L", "XL"}},
    {"Groupset", {"Tiagra", "Ultegra", "DuraAce", "Rival", "Force"}},
    {"Brakes", {"Rim", "MechDisc", "HydroDisc"}},
    {"Wheels", {"Alloy", "Carbon40", "Carbon60"}},
    {"Color", {"Black", "White", "Red", "Blue", "Green"}},
    {"Market", {"EU", "US", "UK", "JP"}},
    {"Saddle", {"Sport", "Comfort"}},
};
const std::vector<Feature> sc_categories = {
    {"Extras", {"Rack", "Fenders", "Lights", "Kickstand", "Bell"}},
    {"Assist", {"MidMotor", "HubMotor", "Battery500", "Battery750"}},
};

class Parts {
public:
  explicit Parts(std::uint32_t seed) : m_engine(seed) {}

  // One part's effectivity: mostly option combinations, then frame number
  // ranges and dates, alone or with options, as parts lists hold them.
  // Each draw is its own statement: the operands of + are evaluated in no
  // fixed order.
  std::string next() {
    const unsigned kind = pick(100);
    if (kind < 10) return "TRUE";
    if (kind < 40) return options(1 + pick(3));
    if (kind < 60) {
      const std::string range = units();
      return range + " & " + options(1);
    }
    if (kind < 75) {
      const std::string period = dates();
      return pick(2) == 0 ? period : period + " & " + options(1);
    }
    if (kind < 85) {
      const std::string first = options(2);
      return "(" + first + ") | (" + options(1) + ")";
    }
    if (kind < 95) {
      const std::string range = units();
      const std::string period = dates();
      return range + " & " + period + " & " + options(1);
    }
    const std::string excluded = options(1);
    return "!(" + excluded + ") & " + options(1);
  }

private:
  unsigned pick(unsigned n) { return static_cast<unsigned>(m_engine() % n); }

  std::string selection() {
    const Feature& feature = sc_selections[pick(static_cast<unsigned>(sc_selections.size()))];
    const unsigned size = static_cast<unsigned>(feature.options.size());
    const unsigned first = pick(size);
    std::string text = std::string(feature.name) + "{" + feature.options[first];
    // Some parts fit two values of a selection.
    if (pick(3) == 0) text += std::string(",") + feature.options[(first + 1 + pick(size - 1)) % size];
    return text + "}";
  }

  std::string option() {
    const Feature& category = sc_categories[pick(static_cast<unsigned>(sc_categories.size()))];
    const char* name = category.options[pick(static_cast<unsigned>(category.options.size()))];
    return std::string(pick(4) == 0 ? "!" : "") + category.name + "." + name;
  }

  std::string options(unsigned count) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) text += (i == 0 ? "" : " & ") + (pick(4) == 0 ? option() : selection());
    return text;
  }

  // The frame number series carries the dictionary's name.
  std::string units() {
    const unsigned from = 1 + pick(5000);
    if (pick(3) == 0) return "Bicycle[" + std::to_string(from) + ",+oo]";
    return "Bicycle[" + std::to_string(from) + "," + std::to_string(from + pick(2000)) + "]";
  }

  std::string date() {
    const unsigned year = 2025 + pick(3);
    const unsigned month = 1 + pick(12);
    const unsigned day = 1 + pick(28);
    char text[16];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u", year, month, day);
    return text;
  }

  std::string dates() {
    const std::string from = date();
    if (pick(2) == 0) return "Date[" + from + ",+oo]";
    const std::string to = date();
    return "Date[" + (from < to ? from : to) + "," + (from < to ? to : from) + "]";
  }

  std::mt19937 m_engine;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_parts OUT [COUNT]\n");
    return 2;
  }
  const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 100000;
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr || count < 0) {
    std::fprintf(stderr, "make_parts: cannot write %s\n", argv[1]);
    return 2;
  }
  Parts parts(20261206u);
  for (long i = 1; i <= count; ++i) std::fprintf(out, "P%06ld\t%s\n", i, parts.next().c_str());
  return std::fclose(out) == 0 ? 0 : 2;
}

// Helpers shared by the benchmark programs.
#pragma once

#include <Kuv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kuv_bench {

// operator new calls so far, over the whole program.
std::uint64_t allocations();

// A GUID's 16 bytes: n in the first four, tag in the last, so that each
// program's objects keep GUIDs of their own.
inline std::array<unsigned char, 16> guid(unsigned n, unsigned char tag) {
  std::array<unsigned char, 16> bytes{};
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(n >> (8 * i));
  bytes[15] = tag;
  return bytes;
}

// An And of `singles` leaves and of `ors` Ors of `width` leaves, every leaf
// on an option of its own (GUIDs tagged with tag): the Ors develop into
// width^ors terms.
struct AndOfOrs {
  AndOfOrs(int singles, int ors, int width, unsigned char tag) : m_tag(tag) {
    auto* andOp = new KuvEeAndOp;
    tree.reset(andOp->getNodeRef());
    for (int i = 0; i < singles; ++i) andOp->addChild(leaf());
    for (int i = 0; i < ors; ++i) {
      auto* orOp = new KuvEeOrOp;
      for (int k = 0; k < width; ++k) orOp->addChild(leaf());
      andOp->addChild(orOp);
    }
  }
  KuvEeNode* leaf() {
    const int i = static_cast<int>(options.size());
    options.push_back(std::make_unique<KuvEeCatOptionVar>(KuvInString(("O" + std::to_string(i)).c_str()),
                                                          guid(100 + i, m_tag).data(), &category));
    return new KuvEeVarEffLeaf(new KuvEeOptionEff(options.back().get(), KuvEeOptionEff::T));
  }
  unsigned char m_tag;
  KuvEeCategory category{"Options", guid(1, m_tag).data()};
  std::vector<std::unique_ptr<KuvEeCatOptionVar>> options;
  std::unique_ptr<KuvEeNodeRef> tree;
};

// A small product model a host's texts are written over: options V6 and V8
// of Engine, Color (Red, Blue, Green) and Units, GUIDs tagged with tag.
// Binaries find a unit variable through its dictionary, which owns it and
// names it after itself.
struct SmallModel {
  explicit SmallModel(unsigned char tag) : m_tag(tag) {
    color.addValue("Red", guid(10, m_tag).data());
    color.addValue("Blue", guid(11, m_tag).data());
    color.addValue("Green", guid(12, m_tag).data());
    space.addCategory(&engine);
    space.addOptionVar(&v6);
    space.addOptionVar(&v8);
    space.addSelectionVar(&color);
    units.enableEvolutionSeries(KuvEeSerialVar::UNIT);
    space.addSerialVar(units.getSeriesVariable(KuvEeSerialVar::UNIT));
  }
  unsigned char m_tag;
  KuvEeVarSpace space{"Model", guid(1, m_tag).data()};
  KuvEeCategory engine{"Engine", guid(2, m_tag).data()};
  KuvEeCatOptionVar v6{"V6", guid(3, m_tag).data(), &engine};
  KuvEeCatOptionVar v8{"V8", guid(4, m_tag).data(), &engine};
  KuvEeSelectionVar color{"Color", guid(5, m_tag).data()};
  KuvEeModelDico units{"Units", KuvInGuid(guid(6, m_tag).data())};
};

// Times transform (a callable on a KuvEeNodeRef& answering an HRESULT) on
// a fresh copy of tree per iteration; making and freeing the copies are not
// timed. State is benchmark::State.
template <class State, class Transform>
void timeOnCopies(State& state, const KuvEeNodeRef& tree, Transform transform) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<KuvEeNodeRef> copy(tree.getNode()->clone());
    state.ResumeTiming();
    if (FAILED(transform(*copy))) state.SkipWithError("transform failed");
    state.PauseTiming();
    copy.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

// Times write (argument 0 of 0) or read (otherwise), each a callable
// answering an HRESULT; argument 1 is the size.
template <class State, class Write, class Read>
void timeWriteOrRead(State& state, Write write, Read read, const char* what) {
  for (auto _ : state)
    if (FAILED(state.range(0) == 0 ? write() : read())) state.SkipWithError(what);
  state.SetComplexityN(state.range(1));
}

// Times reading text with reader (set up by the caller); argument 0 is the
// size.
template <class State>
void timeLiteralRead(State& state, KuvLiteralExprReader& reader, const KuvInString& text) {
  KuvInString error;
  for (auto _ : state) {
    std::unique_ptr<KuvEeNodeRef> tree(reader.readExpressionSimple(text, error, false));
    if (!tree) state.SkipWithError(error.ConvertToChar());
  }
  state.SetComplexityN(state.range(0));
}

}  // namespace kuv_bench

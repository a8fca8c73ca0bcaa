// Normal forms that use every leaf class the binary form stores, for round
// trips: random ones, and one leaf of each kind by name. GUIDs come from a
// small pool so that terms share table entries.
#pragma once

#include "support/KuvTestSupport.h"

namespace bio_dnf_test {

// Kinds of leaf, one per leaf class and restriction part.
enum class LeafKind {
  Eff, Option, Selection, Date, Serial, Milestones, TreeSeries, SerialRestriction, TreeSeriesRestriction,
  DateRestriction, SelectionRestriction, CategoryOptionRestriction, CategoryRestriction, EffRestriction,
  MilestonesRestriction
};
constexpr int sc_nbLeafKinds = 15;

// A leaf of that kind with random content. Sets are filled in ascending
// GUID order with their exact size as capacity, as the reader fills them,
// so that a round trip keeps their iteration order.
std::unique_ptr<KuvDnfLeaf> randomLeaf(std::mt19937& rng, LeafKind kind);

// terms and-terms of 1 to maxLeaves leaves. A map term holds each kind at
// most once, which keeps it consistent.
std::unique_ptr<KuvDnf> randomDnf(std::mt19937& rng, KuvDnfAndTermFactory::E_Type type, int terms, int maxLeaves);

// One term of one leaf.
std::unique_ptr<KuvDnf> dnfOf(std::unique_ptr<KuvDnfLeaf> leaf,
                              KuvDnfAndTermFactory::E_Type type = KuvDnfAndTermFactory::List);

using kuv_test::bytesOf;
std::vector<std::uint8_t> fromHex(const std::string& hex);

}  // namespace bio_dnf_test

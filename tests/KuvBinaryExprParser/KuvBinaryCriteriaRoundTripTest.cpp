// Whole binaries over date, option and selection leaves: Write(Read(b)) == b
// in both versions and through the light parser, Read(Write(e)) text-equal
// to e where no leaf is negated.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KuvBinaryExprData.h"
#include "KuvBinaryExprParser.h"
#include "KuvEeAndOp.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInDateInterval.h"
#include "KuvInIntHolder.h"
#include "KuvBinaryExprTestSupport.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using kuv_test::Bytes;
using kuv_test::read;
using kuv_test::textOf;
using kuv_test::write;
using Map = kuv_test::ExpressionMap;

// Each value and option sits in the list its number routes it to: option i
// has the value i, value i the selected-by code i % 4.
struct Criteria {
  KuvEeDateVar date{"Date", Guid(1).data()};
  KuvEeSelectionVar wheels{"Wheels", Guid(2).data()};
  std::vector<KuvEeSelectionValue*> values;
  std::vector<std::unique_ptr<KuvEeBasicOptionVar>> options;
  KuvBinaryExprData data;

  Criteria() {
    data.addVolatileCriteria(date);
    data.addExprCriteria(wheels);
    for (unsigned i = 0; i < 8; ++i) {
      values.push_back(wheels.addValue(std::to_string(16 + i).c_str(), Guid(10 + i).data()));
      add(*values.back(), i % 4);
    }
    for (unsigned i = 0; i < 4; ++i) {
      options.push_back(std::make_unique<KuvEeBasicOptionVar>(("Option" + std::to_string(i)).c_str(), Guid(20 + i).guid()));
      add(*options.back(), i);
    }
  }
  void add(KuvInObject& object, unsigned number) {
    number == 2 ? data.addExprCriteriaRule(object)
                : number == 3 ? data.addExprCriteriaDefault(object) : data.addExprCriteria(object);
  }
};

class Generator {
public:
  Generator(Criteria& criteria, unsigned seed, bool negated) : m_c(criteria), m_random(seed), m_negated(negated) {}

  KuvEeNodeRef* tree(int depth = 0) {
    const unsigned pick = m_random() % (depth >= 3 ? 3 : 6);
    if (pick < 3) return leaf();
    if (pick == 3) {
      auto* notOp = new KuvEeNotOp;
      notOp->setChildRef(tree(depth + 1));
      return notOp->getNodeRef();
    }
    KuvEeGroupOp* group = pick == 4 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
    for (unsigned n = 1 + m_random() % 3; n > 0; --n) group->addChild(tree(depth + 1)->getNode());
    return group->getNodeRef();
  }

private:
  KuvEeNodeRef* leaf() {
    KuvEeVarEff* eff = nullptr;
    switch (m_random() % 3) {
      case 0: {
        const unsigned i = m_random() % 4;
        eff = new KuvEeOptionEff(m_c.options[i].get(), i);
        break;
      }
      case 1: {
        auto* selection = new KuvEeSelectionEff(&m_c.wheels, KuvEeSelectionEff::AllFalse);
        for (unsigned n = 1 + m_random() % 4; n > 0; --n) {
          const unsigned i = m_random() % 8;
          selection->add(m_c.values[i], static_cast<KuvCriteriaSelectedBy>(i % 4));
        }
        eff = selection;
        break;
      }
      default: {
        auto* dates = new KuvEeDateEff(&m_c.date, KuvEeDateEff::AllFalse);
        KuvInListVal list(KuvInDateInterval::sType());
        for (unsigned n = m_random() % 3; n > 0; --n) {
          const int year = 1990 + static_cast<int>(m_random() % 40);
          KuvInDateInterval interval;
          interval.setInterval(KuvInDate(year, 1 + m_random() % 12, 1 + m_random() % 28, 1, 1, 1),
                               KuvInDate(year + 1, 1 + m_random() % 12, 1 + m_random() % 28, 24, 60, 60));
          list.PutBack(interval);
        }
        dates->set(list);
        eff = dates;
      }
    }
    if (m_negated && m_random() % 3 == 0) eff->opNot();
    return (new KuvEeVarEffLeaf(eff))->getNodeRef();
  }

  Criteria& m_c;
  std::mt19937 m_random;
  bool m_negated;
};

TEST(KuvBinaryCriteriaRoundTrip, GeneratedExpressions) {
  Criteria criteria;
  for (unsigned seed = 0; seed < 120; ++seed) {
    SCOPED_TRACE(seed);
    const bool negated = seed % 2 == 0;
    Generator generate(criteria, seed, negated);
    Map source;
    auto* expression = new KuvEeEffectivityExpression;
    expression->setGlobalCriteria(generate.tree());
    source.map.Put(KuvInIntHolder(1 + seed % 5), expression);
    for (unsigned version : {1u, 2u}) {
      const Bytes bytes = write(source.map, criteria.data, version);
      std::unique_ptr<Map> back;
      ASSERT_EQ(S_OK, read(criteria.data, bytes, back));
      EXPECT_EQ(bytes, write(back->map, criteria.data, version));
      if (!negated) {
        EXPECT_EQ(textOf(source.map), textOf(back->map));
      }
      KuvBinaryExprData fake;
      fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
      std::unique_ptr<Map> light;
      ASSERT_EQ(S_OK, read(fake, bytes, light));
      EXPECT_EQ(bytes, write(light->map, fake, version));
    }
  }
}

}  // namespace

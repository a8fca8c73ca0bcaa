// The sample product's dictionary (examples/sample/dictionary.xml) read
// through the adapter into an expression context, with a date variable and
// the criteria the expression document tests pick from it.
#pragma once

#include "KuvXML.h"
#include "support/KuvTestSupport.h"

namespace kuv_test {

struct SampleModel {
  KuvEeExpressionContext context;
  KuvXMLV2ModelerContextImpl texts;
  // Registered in the context, which owns them.
  KuvEeModelDico* model = nullptr;
  KuvEeCategory* engine = nullptr;
  KuvEeSelectionVar* color = nullptr;
  KuvEeSerialVar* units = nullptr;
  KuvEeTreeSeriesVar* states = nullptr;
  KuvEeMilestonesVar* program = nullptr;
  KuvEeDateVar* date = nullptr;

  SampleModel() {
    KuvXMLV2ModelerContextImpl* collect = &texts;
    KuvXMLV3ModelDicoSAXHandler handler(context, collect, 1);
    EXPECT_EQ(S_OK, KuvXMLExpatParser().ParseFile(KUV_SAMPLE_DIR "/dictionary.xml", handler));
    KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
    KuvXMLV2IModelerContext* collected = nullptr;
    EXPECT_EQ(S_OK, handler.GetCreatedModelDico(model, descriptions, collected));
    descriptions.DeleteAll();
    EXPECT_EQ(S_OK, context.AddModelDico(model, true));
    KuvEeDicoObject* feature = nullptr;
    model->getConfigFeature(KuvInString("Engine"), feature);
    engine = KuvEeCategory::cast(*feature);
    feature = nullptr;
    model->getConfigFeature(KuvInString("Color"), feature);
    color = KuvEeSelectionVar::cast(*feature);
    units = model->getSeriesVariable(KuvEeSerialVar::UNIT);
    states = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
    model->getMilestonesTrack(KuvInString("Program"), program);
    context.ActivateDate();
    context.GetDate(date);
  }
  SampleModel(const SampleModel&) = delete;
  SampleModel& operator=(const SampleModel&) = delete;

  KuvEeCatOptionVar* option(const char* name) const { return engine->getOptionVar(KuvInString(name)); }
  KuvEeTreeSeriesElement* state(const char* revision) const {
    KuvEeTreeSeriesElement* element = nullptr;
    context.RetrieveTreeSeriesElement(states, "Body", revision, element);
    return element;
  }
  KuvEeMilestone* milestone(const char* name) const {
    KuvEeMilestone* element = nullptr;
    context.RetrieveMilestone(program, name, element);
    return element;
  }
};

}  // namespace kuv_test

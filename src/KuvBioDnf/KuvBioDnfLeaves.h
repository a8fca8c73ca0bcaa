// The leaf codecs of the binary normal form: one class per normal-form leaf
// class, each with a static read and write. KuvBioDnfReader and
// KuvBioDnfWriter dispatch on the leaf's kind byte (table in
// KuvBioDnfReader.h) to these; a reader of a format that embeds leaves may
// call them directly. Every reference to a dictionary object is an index
// into the enclosing binary's typed-GUID table, checked for its kind.
//
// Ownership: read hands a new leaf to the caller (the out-pointer is null
// on entry and stays null on failure). write appends to out and leaves
// what it wrote so far on failure. Failures are E_FAIL, traced on the
// codec's channel.
//
// Sets of GUIDs (selection values, restriction variables) are written in
// ascending GUID order, so that equal sets give equal bytes whatever order
// they were filled in, and read back in that order.
#pragma once

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvBioTypedIdsReader.h"
#include "KuvBioTypedIdsWriter.h"
#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"

#define KUV_BIO_DNF_DECLARE_CODEC(Class, Leaf)                                                      \
  class KUV_API Class : public KuvInObject {                                                        \
    KUV_DECLARE_TYPE(Class)                                                                         \
                                                                                                    \
  public:                                                                                           \
    Class() = delete;                                                                               \
    static HRESULT read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, Leaf*& leaf);            \
    static HRESULT write(KuvBioBufferOut& out, const Leaf& leaf, const KuvBioTypedIdsWriter& ids); \
  };

KUV_BIO_DNF_DECLARE_CODEC(KuvBioEff, KuvDnfEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioOptionEff, KuvDnfOptionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioSelectionEff, KuvDnfSelectionEff)
// Dates are written with their time; dates stored without it (flag bit 1
// clear) read back at the first second of a lower date and the last of an
// upper one.
KUV_BIO_DNF_DECLARE_CODEC(KuvBioDateEff, KuvDnfDateEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioSerialEff, KuvDnfSerialEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioMilestonesEff, KuvDnfMilestonesEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioTreeSeriesEff, KuvDnfTreeSeriesEff)

KUV_BIO_DNF_DECLARE_CODEC(KuvBioSerialRestrictionEff, KuvDnfSerialRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioDateRestrictionEff, KuvDnfDateRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioSelectionRestrictionEff, KuvDnfSelectionRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioCategoryOptionRestrictionEff, KuvDnfCategoryOptionRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioCategoryRestrictionEff, KuvDnfCategoryRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioEffRestrictionEff, KuvDnfEffRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioMilestonesRestrictionEff, KuvDnfMilestonesRestrictionEff)
KUV_BIO_DNF_DECLARE_CODEC(KuvBioTreeSeriesRestrictionEff, KuvDnfTreeSeriesRestrictionEff)

#undef KUV_BIO_DNF_DECLARE_CODEC

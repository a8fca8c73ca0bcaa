// KuvEePredefEff: a change or predefined effectivity. Besides the
// applicability of every named effectivity it tells how operations apply it
// (globally or in a context) and where it stands in publication.
//
//     KuvEePredefEff eco("ECO-12", guidBytes, true, KuvEePredefEff::GLOBAL);
//     eco.getPublicationStatus();  // officialized
#pragma once

#include <cstdint>

#include "KuvEeEffectivity.h"

class KUV_API KuvEePredefEff : public KuvEeEffectivity {
  KUV_DECLARE_TYPE(KuvEePredefEff)

public:
  enum OperationHandlerType : std::int32_t { GLOBAL = 0, CONTEXTUAL = 1 };
  enum PublicationStatus : std::int32_t { Unpublished = 0, Officialized = 1, Rejected = 2 };

  // publish: officialized when true, else unpublished.
  KuvEePredefEff(const KuvInString& name, const unsigned char* guid, bool publish, OperationHandlerType type);
  KuvEePredefEff(const KuvInString& name, const unsigned char* guid, PublicationStatus status,
                 OperationHandlerType type);
  ~KuvEePredefEff() override;

  // Officialized when true, else unpublished.
  virtual void setPublish(bool publish);
  // Officialized.
  virtual bool getPublish() const;
  virtual void setPublicationStatus(PublicationStatus status);
  virtual PublicationStatus getPublicationStatus() const;
  virtual OperationHandlerType getType() const;

  // "PredefEff( " name "/" GUID " - " status " - " type " - " then
  // "Applicability: " tree text " )" or "No Expression )". Met again inside
  // its own applicability, its applicability is "..." there.
  KuvInString toString() const override;

private:
  OperationHandlerType m_type;
  PublicationStatus m_status;
};
